#pragma once
#include <QCursor>
#include <QDialog>
#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "app/brush/brush_surface.h"
#include "app/main_window/open_trace.h"
#include "app/session/edit_session.h"
#include "engine/dust_params.h"
#include "view/rules/placement.h"
#include "view/rules/progress_display.h"
#include "view/rules/view_mapping.h"
#include "workflow/image_kind.h"

class BackgroundOpen;
class CBrushTool;
class CImage;
class ControlPanel;
class CWindowRegionListener;
class DustEngine;
class Prompter;
class QLabel;
class QPainter;
class QProgressBar;
struct LoadedImage;
struct Spot;

// The main window: the image view and the workflow of one image (open,
// process, show before or after, zoom, pan, turn, save, close). It owns the
// editing session and replaces it with a fresh one when the image is closed.
class CSpeckwashDlg : public QDialog, private BrushSurface {
    Q_OBJECT
    // The control panel's adapter reads and steers the view state directly.
    friend class CPanelBridge;
    // The pop-up menu and the accelerators carry out the window's commands.
    friend class CWindowCommands;

public:
    explicit CSpeckwashDlg(QWidget* parent = nullptr);
    ~CSpeckwashDlg() override;

    // Tests answer the questions themselves; the window takes ownership.
    void SetPrompter(std::unique_ptr<Prompter> prompter);
    // The control panel, once one exists; not owned.
    void SetControlPanel(ControlPanel* panel);
    // Closing an image makes a fresh control panel through this, so that no
    // state of the closed image survives in it.
    void SetPanelRecreator(std::function<void()> recreate);

    // Commands.
    void Open(); // asks to save, then for a file
    // The open without the questions. The file is read away from the window,
    // which stays responsive but takes no input meanwhile; OpenFinished tells
    // how it ended. A later open, the close and quit prompts, closing the
    // image or the end of the window cancel it.
    void OpenFile(const QString& path);
    void OpenFromCommandLine(const QString& path); // as Open with the file already chosen
    bool Opening() const; // an open is reading its file
    // Waits for the threads of opens still reading. The result of the latest
    // open is then waiting in the event queue; processing events delivers it.
    void WaitForOpenThreads();
    // What a save came to; the questions that save first go on only after Saved or NothingToSave.
    enum SaveOutcome { NothingToSave, SaveCancelled, SaveFailed, Saved };
    SaveOutcome Save();
    void ClosePrompt(); // Esc and the close box
    void QuitPrompt();
    void CloseImage();
    void ZoomIn();
    void ZoomOut();
    void SetViewAfter(bool after);
    void SetHighlight(bool on);
    void SetHighlightColour(int colour);
    void SetRotation(int degrees); // 0, 90, -90 or 180; the rotate buttons, R and Shift+R
    void Rotate(int quarterTurns); // +1 clockwise, -1 counter-clockwise
    void UndoStroke(); // the last brush stroke or spot veto; Ctrl+Z and the panel's Undo

    // The spot review. StepSpot goes to the next (+1) or previous (−1) spot
    // (N, Shift+N, the panel's buttons): centred, zoomed to it and marked.
    // VetoSpot (Delete) restores the spot under review's original pixels as
    // a stroke that undo takes back. "Show spots" (S) dims the picture and
    // draws every spot in a strong colour; a view only.
    void StepSpot(int step);
    void VetoSpot();
    void SetShowSpots(bool on);
    // The index in the spot list of the spot the marker shows, −1 for none
    // (none reviewed yet, or the one reviewed was vetoed).
    int SpotUnderReview() const;
    CBrushTool& Brush() { return *brush; }

    // The brush settings (type, radius, manual dust size) changed: the brush
    // and the panel follow.
    void BrushSettingsChanged();

    // The session, for the panel, the commands and tests.
    EditSession& Session() override { return *session; }
    const EditSession& Session() const { return *session; }
    DustEngine* Engine() const { return session->engine.get(); }
    const CImage* CurrentImage() const { return session->document.working.get(); }
    ImageKind Kind() const { return session->document.kind; }
    const ViewGeometry& View() const { return session->view; }
    QString ZoomText() const;
    bool ZoomInEnabled() const { return session->zoomInEnabled; }
    bool ZoomOutEnabled() const { return session->zoomOutEnabled; }
    bool IsModified() const { return session->modified; }
    bool ViewAfter() const { return session->viewAfter; }
    bool StartPictureVisible() const;
    bool ProgressVisible() const { return progress.BarVisible(); }
    const QString& ImagePath() const { return session->imagePath; }
    DustParams& Params() { return session->params; }
    int LargestBrushRadius() const { return session->largestBrushRadius; }
    bool FromCamera() const { return session->fromCamera; }
    int SaveRotated() const { return saveRotated; }
    void SetSaveRotated(int value) { saveRotated = value; }

    // Sends the visible region to the engine as fresh work (level 1) with the
    // rest of the image behind it (level 0).
    void QueueVisibleRegion(int sequence);

    // Window frame: what the placement rules need from the window system.
    Rect WorkArea() const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void customEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void changeEvent(QEvent* event) override;

signals:
    // An open ended: true when the image is open and its processing started,
    // false when it was refused (and the user told why). Not sent for a cancelled open.
    void OpenFinished(bool opened);

public slots:
    void accept() override; // Enter does nothing
    void reject() override; // Esc: the close prompt

private:
    bool ChangesMayBeDropped();
    // The brush's view of the window.
    QWidget& Widget() override { return *this; }
    Rect ImageArea() const override { return imageArea; }
    QCursor PanCursor() const override { return openHand; }
    void BrushChanged() override;
    void BrushUnusable() override;

    void Initialise();
    void StartSession();
    void ShowPanel();
    void EndWindow();
    void DiscardEngine();
    void FinishOpen(const QString& path, std::shared_ptr<LoadedImage> loaded);
    void ShowOpenWaiting(bool waiting);
    void CancelOpen();

    // View.
    void LayOutForOpen();
    void ApplyZoomLevel(int level);
    void AfterViewChange(bool shrank, bool withParams, int outsideSequence);
    void ReprioritiseVisible(bool withParams, int outsideSequence);
    void RefreshImageArea();
    void FitWindowToImage(const CImage* image);
    void PlaceForRotation();
    FrameMargins Margins() const;
    void UpdateCursor(const QPoint& at, Qt::KeyboardModifiers modifiers);
    QPoint ClampToImageRect(const QPoint& p) const;

    // Spots: the list is relabelled from the areas finished since, once the
    // visible work is done (or at once, for a veto and its undo, whose mask
    // writes are already there).
    void RefreshSpots(bool atOnce);
    void GoToSpot(const Spot& spot);
    void PaintSpots(QPainter& painter, const Rect& update);
    void PaintSpotMarker(QPainter& painter);

    // Progress and save.
    void TickProgress();
    void WaitForEngine();
    void UpdateZoomControls();

    std::unique_ptr<Prompter> prompter;
    ControlPanel* panel = nullptr;
    std::function<void()> recreatePanel;
    std::unique_ptr<CWindowRegionListener> listener;
    // The open image's session; never null. Declared before the brush, which reads it.
    std::unique_ptr<EditSession> session;
    std::unique_ptr<CBrushTool> brush;
    // Reads files for Open; its threads end before the listener and the session go.
    std::unique_ptr<BackgroundOpen> opener;
    bool openWaiting = false;
    QCursor cursorBeforeOpen;

    // The window's own state, the same for every image.
    Rect navigatorArea { 0, 0, 160, 160 };
    bool panelVisible = true;
    int saveRotated = 0;
    Rect imageArea;
    RotationPlacement rotationPlacement;

    int dragCount = 0;
    bool panActive = false;
    QPoint panStartPoint;
    Point panStartCentre;
    QCursor openHand;
    QCursor closedHand;

    ProgressDisplay progress;
    OpenTrace trace;
    int timerId = 0;
    bool saving = false;
    QLabel* startPicture = nullptr;
    QProgressBar* ownProgressBar = nullptr; // stands in for the panel's until there is one
};
