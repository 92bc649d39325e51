// Saving: the dialog, the wait for the engine, the image in the source's depth.
#include <QApplication>
#include <QFileInfo>
#include <QThread>

#include "app/dialogs/prompts.h"
#include "app/main_window/main_window.h"
#include "engine/dust_engine.h"
#include "imagefiles/image_file_types.h"
#include "view/rules/save_rules.h"
#include "workflow/image_to_save.h"

namespace {
// Program-wide: where the last save went and which type it was.
QString lastSaveFolder;
int lastSaveType = 0;
}

void CSpeckwashDlg::WaitForEngine()
{
    // Every queued correction must be in the saved image. The window keeps
    // painting finished tiles meanwhile; the user's input waits.
    for (int level : { 1, 0 }) {
        while (engine && engine->Progress(level) >= 0.0f) {
            QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            QThread::msleep(100);
        }
    }
}

CSpeckwashDlg::SaveOutcome CSpeckwashDlg::Save()
{
    if (!engine || saving)
        return NothingToSave;
    SaveChoice choice;
    choice.defaultName = imagePath;
    choice.folder = lastSaveFolder;
    choice.type = PreselectedSaveType(imagePath.toStdString(), lastSaveType);
    choice.subsamplingChoice = SaveTypeFromName(imagePath.toStdString()) == SaveTypeJpeg
        ? SubsamplingChoiceFromCode(document.jpegSubsampling)
        : 0;
    choice.quality = kSameAsInputQuality;
    if (!prompter->ChooseSavePath(this, choice))
        return SaveCancelled;

    saving = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    WaitForEngine();

    SaveRequest request;
    request.targetPath = PathForSaveType(choice.path.toStdString(), choice.type);
    request.sourcePath = imagePath.toStdString();
    request.rotationDegrees = view.rotation;
    request.saveRotated = saveRotated == 1;
    request.jpegQuality = choice.quality;
    request.jpegSubsampling = SubsamplingCodeFromChoice(choice.subsamplingChoice);
    if (exifSegment.length > 2) {
        request.app1 = exifSegment.bytes.data();
        request.app1Length = exifSegment.length;
    }
    lastSaveType = choice.type;
    int result = SaveCorrectedImage(*engine->WorkImage(), document, request);

    QApplication::restoreOverrideCursor();
    saving = false;
    QString target = QString::fromStdString(request.targetPath);
    if (result != FileOk) {
        prompter->Inform(this,
            QStringLiteral("Unable to save the image in file %1\nThis file may be write protected.").arg(target));
        return SaveFailed;
    }
    lastSaveFolder = QFileInfo(target).absolutePath();
    modified = false;
    return Saved;
}
