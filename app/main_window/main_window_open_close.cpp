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

namespace {
const char* const kSaveChangesQuestion = "Do you want to Save your changes?";
const char* const kCloseUnchangedQuestion = "No changes to image. Do you want to close Speckwash?";
constexpr int kTileSize = 256;
}

void CSpeckwashDlg::Open()
{
    if (modified) {
        PromptAnswer answer = prompter->Ask(this, QString::fromLatin1(kSaveChangesQuestion), true);
        if (answer == PromptCancel)
            return;
        if (answer == PromptYes)
            Save();
    }
    params.automation = 1;
    modified = true;
    QString path = prompter->ChooseOpenPath(this);
    if (path.isEmpty())
        return;
    OpenFile(path);
}

bool CSpeckwashDlg::OpenFromCommandLine(const QString& path)
{
    // Nothing can be unsaved yet, so there is no question to ask first.
    params.automation = 1;
    modified = true;
    return OpenFile(path);
}

void CSpeckwashDlg::CaptureJpegData(const QString& path)
{
    QByteArray local = path.toLocal8Bit();
    if (ReadImageFileInfo(local.constData(), nullptr, nullptr, nullptr) != ImageFileType::Jpeg)
        return;
    fromCamera = !ReadJpegMetadata(local.constData()).cameraModel.empty();
    if (FILE* file = std::fopen(local.constData(), "rb")) {
        CaptureApp1Segment(file, exifSegment);
        std::fclose(file);
    }
}

bool CSpeckwashDlg::OpenFile(const QString& path)
{
    QByteArray local = path.toLocal8Bit();
    WorkingImage loaded;
    LoadOutcome outcome = local.size() < 3 ? LoadUnreadable : LoadWorkingImage(local.constData(), loaded);
    if (outcome == LoadUnreadable || outcome == LoadNoMemory) {
        // The image open before stays open, with its kind and its path.
        prompter->Inform(this, QString::fromLatin1(kUnreadableImageMessage));
        return false;
    }
    // Accepted: the previous engine stops before the image it reads goes away.
    DiscardEngine();
    thumbnail.reset();
    imagePath = path;
    document = std::move(loaded);
    exifSegment = App1Segment {};
    fromCamera = false;
    if (panel)
        panel->ImageControlsEnabled(false);
    CaptureJpegData(path);

    view.rotation = 0;
    FitWindowToImage(document.working.get());

    largestBrushRadius = ::LargestBrushRadius(document.working->width, document.working->height);
    if (largestBrushRadius == 0 || outcome == LoadTooSmall) {
        startPicture->show();
        update();
        prompter->Inform(this, QString::fromLatin1(kTooSmallImageMessage));
        return false;
    }
    HoldDustRadiusWithin(largestBrushRadius, params);

    engine = std::make_unique<DustEngine>(*document.working, kTileSize, listener.get());
    if (!engine->WorkImage() || !engine->WorkImage()->HasPlanes()) {
        engine.reset();
        return false;
    }
    BuildThumbnail();
    brush->ImageOpened();
    zoomLevel = 0;
    view.scale = 1.0f;
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
        ApplyResolutionRules(document.resolutionDpi, fromCamera, params, ProgramResolutionMemory());
    QueueVisibleRegion(1);
    update();
    return true;
}

void CSpeckwashDlg::BuildThumbnail()
{
    const CImage& image = *document.working;
    thumbnailScale = ThumbnailScale(navigatorArea, image.width, image.height);
    thumbnail.reset(image.Resampled(thumbnailScale, thumbnailScale, 2));
}

void CSpeckwashDlg::QueueVisibleRegion(int sequence)
{
    if (!engine)
        return;
    Rect region = VisibleImageRegion(view);
    engine->RequestOutside(region, KindAuto, 0, sequence, &params);
    engine->Request(region, KindAuto, 1, sequence, &params);
}

void CSpeckwashDlg::ClosePrompt()
{
    if (saving)
        return;
    if (modified) {
        PromptAnswer answer = prompter->Ask(this, QString::fromLatin1(kSaveChangesQuestion), true);
        if (answer == PromptYes) {
            // Changes are only forgotten once they are on disk (or there was nothing to write).
            SaveOutcome saved = Save();
            if (saved == Saved || saved == NothingToSave)
                modified = false;
            ShowPanel();
        } else if (answer == PromptNo) {
            CloseImage();
        }
        return;
    }
    if (document.working) {
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
    if (modified) {
        PromptAnswer answer = prompter->Ask(this, QString::fromLatin1(kSaveChangesQuestion), true);
        if (answer == PromptCancel)
            return;
        if (answer == PromptYes) {
            SaveOutcome saved = Save();
            if (saved == SaveCancelled || saved == SaveFailed)
                return; // ending now would lose the changes the user asked to keep
        }
    }
    EndWindow();
}

void CSpeckwashDlg::CloseImage()
{
    modified = false;
    DiscardEngine();
    thumbnail.reset();
    document = WorkingImage {};
    imagePath.clear();
    exifSegment = App1Segment {};
    fromCamera = false;
    view = ViewGeometry {};
    zoomLevel = 0;
    zoomText = QStringLiteral("100%");
    zoomInEnabled = zoomOutEnabled = true;
    brushTool = 412;
    largestBrushRadius = 16;
    brush->ImageOpened();
    setWindowTitle(QStringLiteral("View"));
    if (panel)
        panel->ImageControlsEnabled(false);
    Initialise();
    if (recreatePanel)
        recreatePanel();
    update();
}
