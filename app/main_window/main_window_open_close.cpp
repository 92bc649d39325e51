// Opening and closing an image: the questions, the load, the engine's life.
#include <QLabel>
#include <QString>
#include <cstdio>

#include "app/brush/brush_tool.h"
#include "app/control_panel/control_panel.h"
#include "app/dialogs/prompts.h"
#include "app/main_window/region_done_event.h"
#include "app/main_window/main_window.h"
#include "engine/dust_engine.h"
#include "imagefiles/image_file_types.h"
#include "view/rules/navigator_geometry.h"
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

bool CSpeckwashDlg::OpenFromCommandLine(const QString& path)
{
    // Nothing can be unsaved yet, so there is no question to ask first.
    session->params.automation = 1;
    session->modified = true;
    trace.OpenChosen();
    return OpenFile(path);
}

void CSpeckwashDlg::CaptureJpegData(const QString& path)
{
    QByteArray local = path.toLocal8Bit();
    if (ReadImageFileInfo(local.constData(), nullptr, nullptr, nullptr) != ImageFileType::Jpeg)
        return;
    session->fromCamera = !ReadJpegMetadata(local.constData()).cameraModel.empty();
    if (FILE* file = std::fopen(local.constData(), "rb")) {
        CaptureApp1Segment(file, session->exifSegment);
        std::fclose(file);
    }
}

bool CSpeckwashDlg::OpenFile(const QString& path)
{
    QByteArray local = path.toLocal8Bit();
    WorkingImage loaded;
    InfraredPlaneSource infrared;
    LoadOutcome outcome
        = local.size() < 3 ? LoadUnreadable : LoadWorkingImageWithInfrared(local.constData(), loaded, infrared);
    if (outcome == LoadUnreadable || outcome == LoadNoMemory) {
        // The image open before stays open, with its kind and its path.
        prompter->Inform(this, QString::fromLatin1(kUnreadableImageMessage));
        return false;
    }
    trace.ImageLoaded();
    // Accepted: the previous engine stops before the image it reads goes away.
    DiscardEngine();
    session->thumbnail.reset();
    session->imagePath = path;
    session->document = std::move(loaded);
    session->infrared = InfraredPlaneSource {};
    session->exifSegment = App1Segment {};
    session->fromCamera = false;
    if (panel)
        panel->ImageControlsEnabled(false);
    CaptureJpegData(path);

    session->view.rotation = 0;
    FitWindowToImage(session->document.working.get());

    session->largestBrushRadius = ::LargestBrushRadius(session->document.working->width, session->document.working->height);
    if (session->largestBrushRadius == 0 || outcome == LoadTooSmall) {
        startPicture->show();
        update();
        prompter->Inform(this, QString::fromLatin1(kTooSmallImageMessage));
        return false;
    }
    HoldDustRadiusWithin(session->largestBrushRadius, session->params);

    // The plane is measured once against the accepted image; one that is
    // refused leaves the image to visible light, and the user is told why.
    ResolveInfraredPlane(local.toStdString(), std::string(), *session->document.working, infrared);
    session->infrared = std::move(infrared);
    session->params.infrared = InfraredParamByte(session->infraredChoice, session->infrared.Usable());

    session->engine = std::make_unique<DustEngine>(*session->document.working, kTileSize, listener.get());
    if (!session->engine->WorkImage() || !session->engine->WorkImage()->HasPlanes()) {
        session->engine.reset();
        return false;
    }
    session->spots = std::make_unique<SpotTracker>(session->document.working->width, session->document.working->height);
    if (panel)
        panel->ShowSpotCount(QString());
    if (session->infrared.Usable())
        session->engine->AttachInfrared(*session->infrared.plane, session->infrared.model);
    BuildThumbnail();
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
    return true;
}

void CSpeckwashDlg::BuildThumbnail()
{
    const CImage& image = *session->document.working;
    session->thumbnailScale = ThumbnailScale(navigatorArea, image.width, image.height);
    session->thumbnail.reset(image.Resampled(session->thumbnailScale, session->thumbnailScale, 2));
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
    brush->EndStroke();
    setWindowTitle(QStringLiteral("View"));
    if (panel)
        panel->ImageControlsEnabled(false);
    Initialise();
    if (recreatePanel)
        recreatePanel();
    update();
}
