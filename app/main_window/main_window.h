#pragma once
#include <QCursor>
#include <QDialog>
#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "engine/dust_params.h"
#include "metadata/jpeg_metadata.h"
#include "view/rules/placement.h"
#include "view/rules/progress_display.h"
#include "view/rules/view_mapping.h"
#include "workflow/image_kind.h"

class CBrushTool;
class CImage;
class ControlPanel;
class CWindowRegionListener;
class DustEngine;
class Prompter;
class QLabel;
class QProgressBar;

// The main window: the image view and the workflow of one image (open,
// process, show before or after, zoom, pan, turn, save, close).
class CSpeckwashDlg : public QDialog {
    Q_OBJECT
    // The control panel's adapter reads and steers the view state directly.
    friend class CPanelBridge;
    // The brush writes the engine's manual planes and steers the view's pointer.
    friend class CBrushTool;
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
    bool OpenFile(const QString& path); // the open without the questions; true when processing started
    bool OpenFromCommandLine(const QString& path); // as Open with the file already chosen
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
    void SetRotation(int degrees); // 0, 90, -90 or 180
    void Rotate(int quarterTurns); // +1 clockwise, -1 counter-clockwise
    void UndoStroke(); // the last brush stroke; Ctrl+Z and the panel's Undo
    CBrushTool& Brush() { return *brush; }

    // State, for the panel and for tests.
    DustEngine* Engine() const { return engine.get(); }
    const CImage* CurrentImage() const { return document.working.get(); }
    ImageKind Kind() const { return document.kind; }
    const ViewGeometry& View() const { return view; }
    QString ZoomText() const { return zoomText; }
    bool ZoomInEnabled() const { return zoomInEnabled; }
    bool ZoomOutEnabled() const { return zoomOutEnabled; }
    bool IsModified() const { return modified; }
    bool ViewAfter() const { return viewAfter; }
    bool StartPictureVisible() const;
    bool ProgressVisible() const { return progress.BarVisible(); }
    const QString& ImagePath() const { return imagePath; }
    DustParams& Params() { return params; }
    int LargestBrushRadius() const { return largestBrushRadius; }
    bool FromCamera() const { return fromCamera; }
    int SaveRotated() const { return saveRotated; }
    void SetSaveRotated(int value) { saveRotated = value; }

    // Sends the visible region to the engine as fresh work (level 1) with the
    // rest of the image behind it (level 0).
    void QueueVisibleRegion(int sequence);

    // Window frame: what the placement rules need from the window system.
    Rect WorkArea() const;

protected:
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

public slots:
    void accept() override; // Enter does nothing
    void reject() override; // Esc: the close prompt

private:
    void Initialise();
    void ShowPanel();
    void EndWindow();
    void DiscardEngine();
    void CaptureJpegData(const QString& path);
    void BuildThumbnail();

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

    // Progress and save.
    void TickProgress();
    void WaitForEngine();
    void UpdateZoomControls();

    std::unique_ptr<Prompter> prompter;
    ControlPanel* panel = nullptr;
    std::function<void()> recreatePanel;
    std::unique_ptr<CWindowRegionListener> listener;
    std::unique_ptr<CBrushTool> brush;

    QString imagePath;
    WorkingImage document; // kind, working image, low bytes
    std::unique_ptr<DustEngine> engine;
    std::unique_ptr<CImage> thumbnail;
    float thumbnailScale = 1.0f;
    Rect navigatorArea { 0, 0, 160, 160 };
    DustParams params;
    bool modified = false;
    bool viewAfter = true;
    bool highlightOn = true;
    bool panelVisible = true;
    bool fromCamera = false;
    App1Segment exifSegment;
    int saveRotated = 0;
    int largestBrushRadius = 16;
    int brushTool = 412;
    int highlightColour = 0;

    ViewGeometry view;
    Rect imageArea;
    int zoomLevel = 0;
    QString zoomText = QStringLiteral("100%");
    bool zoomInEnabled = true;
    bool zoomOutEnabled = true;
    RotationPlacement rotationPlacement;

    int dragCount = 0;
    bool panActive = false;
    QPoint panStartPoint;
    Point panStartCentre;
    QCursor openHand;
    QCursor closedHand;

    ProgressDisplay progress;
    int timerId = 0;
    bool saving = false;
    QLabel* startPicture = nullptr;
    QProgressBar* ownProgressBar = nullptr; // stands in for the panel's until there is one
};
