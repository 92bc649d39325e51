// Opening and closing an image: the questions, the load, the engine's life.
#include <QLabel>
#include <QString>

#include "app/brush/brush_tool.h"
#include "app/control_panel/control_panel.h"
#include "app/dialogs/prompts.h"
#include "app/main_window/region_done_event.h"
#include "app/main_window/main_window.h"
#include "app/session/background_open.h"
#include "engine/dust_engine.h"
#include "workflow/dust_parameter_rules.h"
#include "workflow/infrared_settings.h"
#include "workflow/infrared_source.h"

namespace {
const char* const kSaveChangesQuestion = "Do you want to Save your changes?";
const char* const kCloseUnchangedQuestion = "No changes to image. Do you want to close Speckwash?";
constexpr int kTileSize = 256;
}

void CSpeckwashDlg::Open()
{
    // A file still being read is given up first: its result must not arrive
    // while a question or a save below waits in a nested event loop.
    CancelOpen();
    if (!ChangesMayBeDropped())
        return;
    session->params.automation = 1;
    session->modified = true;
    QString path = prompter->ChooseOpenPath(this);
    if (path.isEmpty())
        return;
    trace.OpenChosen();
    OpenFile(path);
}

void CSpeckwashDlg::OpenFromCommandLine(const QString& path)
{
    // Nothing can be unsaved yet, so there is no question to ask first.
    session->params.automation = 1;
    session->modified = true;
    trace.OpenChosen();
    OpenFile(path);
}

void CSpeckwashDlg::OpenFile(const QString& path)
{
    // The image open now stays open, and is shown, until the new one is accepted.
    ShowOpenWaiting(true);
    opener->Start(path, kTileSize, navigatorArea, listener.get());
}

bool CSpeckwashDlg::Opening() const
{
    return opener->Running();
}

void CSpeckwashDlg::WaitForOpenThreads()
{
    opener->WaitForThreads();
}

void CSpeckwashDlg::CancelOpen()
{
    if (!opener->Running())
        return;
    opener->Cancel();
    ShowOpenWaiting(false);
}

// While a file is read the window keeps painting the image open before but
// takes no input (event() and the accelerators drop it), and the panel's
// controls are held: nothing may change an image that is about to be replaced.
// The panel's Open and Quit and the close box stay usable. The window is not
// disabled: that would hand the keyboard to the panel for good.
void CSpeckwashDlg::ShowOpenWaiting(bool waiting)
{
    if (waiting == openWaiting)
        return;
    openWaiting = waiting;
    if (waiting) {
        brush->EndStroke();
        cursorBeforeOpen = cursor();
        setCursor(Qt::WaitCursor);
        if (panel)
            panel->HoldImageControls(true);
        return;
    }
    setCursor(cursorBeforeOpen);
    if (panel)
        panel->HoldImageControls(false);
}

void CSpeckwashDlg::FinishOpen(const QString& path, std::shared_ptr<LoadedImage> loaded)
{
    ShowOpenWaiting(false);
    if (loaded->outcome == LoadUnreadable || loaded->outcome == LoadNoMemory) {
        // The image open before stays open, with its kind and its path.
        prompter->Inform(this, QString::fromLatin1(kUnreadableImageMessage));
        emit OpenFinished(false);
        return;
    }
    trace.ImageLoaded();
    // Accepted: the previous engine stops before the image it reads goes away.
    DiscardEngine();
    session->thumbnail.reset();
    session->imagePath = path;
    session->document = std::move(loaded->document);
    session->infrared = std::move(loaded->infrared);
    session->exifSegment = std::move(loaded->exifSegment);
    session->fromCamera = loaded->fromCamera;
    if (panel)
        panel->ImageControlsEnabled(false);

    session->view.rotation = 0;
    FitWindowToImage(session->document.working.get());

    session->largestBrushRadius = loaded->largestBrushRadius;
    if (!loaded->Accepted()) {
        // Too small to clean: shown behind the start picture, and the user is told.
        session->infrared = InfraredPlaneSource {};
        startPicture->show();
        update();
        prompter->Inform(this, QString::fromLatin1(kTooSmallImageMessage));
        emit OpenFinished(false);
        return;
    }
    HoldDustRadiusWithin(session->largestBrushRadius, session->params);
    session->params.infrared = InfraredParamByte(session->infraredChoice, session->infrared.Usable());
    // The engine reads the image and the plane just moved into the session.
    session->engine = std::move(loaded->engine);
    session->spots = std::move(loaded->spots);
    if (panel)
        panel->ShowSpotCount(QString());
    session->thumbnail = std::move(loaded->thumbnail);
    session->thumbnailScale = loaded->thumbnailScale;
    // A new image starts with no strokes; the brush's settings stay as the panel shows them.
    brush->EndStroke();
    session->strokes.Clear();
    session->zoomLevel = 0;
    session->view.scale = 1.0f;
    if (panel)
        panel->ImageControlsEnabled(true);
    setWindowTitle(QStringLiteral("Image View : ") + path);

    startPicture->hide();
    LayOutForOpen();
    // The panel runs the resolution rules and shows and stores their result;
    // without a panel only the rules run.
    if (panel)
        panel->ApplyParametersFromResolution();
    else
        ApplyResolutionRules(session->document.resolutionDpi, session->fromCamera, session->params, ProgramResolutionMemory());
    QueueVisibleRegion(1);
    update();
    if (!session->infrared.message.empty())
        prompter->Inform(this, QString::fromStdString(session->infrared.message));
    emit OpenFinished(true);
}

void CSpeckwashDlg::QueueVisibleRegion(int sequence)
{
    if (!session->engine)
        return;
    Rect region = VisibleImageRegion(session->view);
    session->engine->RequestOutside(region, KindAuto, 0, sequence, &session->params);
    session->engine->Request(region, KindAuto, 1, sequence, &session->params);
}

void CSpeckwashDlg::ClosePrompt()
{
    if (saving)
        return;
    CancelOpen(); // as for Open: nothing arrives while the questions wait
    if (session->modified) {
        PromptAnswer answer = prompter->Ask(this, QString::fromLatin1(kSaveChangesQuestion), true);
        if (answer == PromptYes) {
            // Changes are only forgotten once they are on disk (or there was nothing to write).
            SaveOutcome saved = Save();
            if (saved == Saved || saved == NothingToSave)
                session->modified = false;
            ShowPanel();
        } else if (answer == PromptNo) {
            CloseImage();
        }
        return;
    }
    if (session->document.working) {
        PromptAnswer answer = prompter->Ask(this, QString::fromLatin1(kCloseUnchangedQuestion), false);
        if (answer == PromptYes) {
            EndWindow();
            return;
        }
        CloseImage();
        ShowPanel();
        return;
    }
    EndWindow();
}

void CSpeckwashDlg::QuitPrompt()
{
    CancelOpen(); // as for Open: nothing arrives while the questions wait
    if (ChangesMayBeDropped())
        EndWindow();
}

// Asks whether to save unsaved edits. False when the user cancelled, or said
// Yes and the save was cancelled or failed: the edits are only dropped once
// they are on disk.
bool CSpeckwashDlg::ChangesMayBeDropped()
{
    if (!session->modified)
        return true;
    PromptAnswer answer = prompter->Ask(this, QString::fromLatin1(kSaveChangesQuestion), true);
    if (answer == PromptCancel)
        return false;
    if (answer == PromptYes) {
        SaveOutcome saved = Save();
        return saved != SaveCancelled && saved != SaveFailed;
    }
    return true;
}

void CSpeckwashDlg::CloseImage()
{
    // The session goes whole: image, engine, parameters, brush, strokes,
    // highlight, view and the modified flag all start afresh together.
    CancelOpen();
    brush->EndStroke();
    setWindowTitle(QStringLiteral("View"));
    if (panel)
        panel->ImageControlsEnabled(false);
    Initialise();
    if (recreatePanel)
        recreatePanel();
    update();
}
