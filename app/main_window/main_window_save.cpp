// Saving: the dialog, the wait for the engine, the image in the source's depth.
#include <QApplication>
#include <QFileInfo>

#include "app/brush/brush_tool.h"
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
    // A held stroke keeps the worker to brush work while this wait takes no
    // input, so the release that would end it could never come: end it now.
    brush->EndStroke();
    // Every correction asked for before the save must be in the file, the
    // brush's included; the tiles' own states say when nothing is left. The
    // window keeps painting finished tiles meanwhile (the worker's notices
    // and the progress timer wake this loop); the user's input waits.
    while (session->engine && !session->engine->Finished())
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::WaitForMoreEvents);
}

CSpeckwashDlg::SaveOutcome CSpeckwashDlg::Save()
{
    if (!session->engine || saving)
        return NothingToSave;
    SaveChoice choice;
    choice.defaultName = session->imagePath;
    choice.folder = lastSaveFolder;
    choice.type = PreselectedSaveType(session->imagePath.toStdString(), lastSaveType);
    choice.subsamplingChoice = SaveTypeFromName(session->imagePath.toStdString()) == SaveTypeJpeg
        ? SubsamplingChoiceFromCode(session->document.jpegSubsampling)
        : 0;
    choice.quality = kSameAsInputQuality;
    if (!prompter->ChooseSavePath(this, choice))
        return SaveCancelled;

    saving = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    WaitForEngine();

    SaveRequest request;
    request.targetPath = PathForSaveType(choice.path.toStdString(), choice.type);
    request.sourcePath = session->imagePath.toStdString();
    request.rotationDegrees = session->view.rotation;
    request.saveRotated = saveRotated == 1;
    request.jpegQuality = choice.quality;
    request.jpegSubsampling = SubsamplingCodeFromChoice(choice.subsamplingChoice);
    if (session->exifSegment.length > 2) {
        request.app1 = session->exifSegment.bytes.data();
        request.app1Length = session->exifSegment.length;
    }
    lastSaveType = choice.type;
    int result = SaveCorrectedImage(*session->engine->WorkImage(), session->document, request);

    QApplication::restoreOverrideCursor();
    saving = false;
    QString target = QString::fromStdString(request.targetPath);
    if (result != FileOk) {
        prompter->Inform(this,
            QStringLiteral("Unable to save the image in file %1\nThis file may be write protected.").arg(target));
        return SaveFailed;
    }
    lastSaveFolder = QFileInfo(target).absolutePath();
    session->modified = false;
    return Saved;
}
