#pragma once
#include <QImage>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "app/dialogs/prompts.h"
#include "image/image.h"

class CSpeckwashDlg;

// Answers the window's questions from a script and records what was asked.
class ScriptedPrompter : public Prompter {
public:
    struct Script {
        std::vector<PromptAnswer> answers; // consumed in order; No when exhausted
        QStringList openPaths; // consumed in order; cancelled when exhausted
        QString savePath; // empty: the save dialog is cancelled
        int saveType = 0; // 0: keep the preselected type
        int quality = 200;
        QStringList asked; // every question and notice, in order
        std::vector<SaveChoice> saveDialogs; // what each save dialog was opened with
    };

    explicit ScriptedPrompter(std::shared_ptr<Script> script) : script(std::move(script)) { }
    PromptAnswer Ask(QWidget*, const QString& text, bool withCancel) override;
    void Inform(QWidget*, const QString& text) override;
    QString ChooseOpenPath(QWidget*) override;
    bool ChooseSavePath(QWidget*, SaveChoice& choice) override;

private:
    std::shared_ptr<Script> script;
};

// Gives the window a scripted prompter and returns the script to fill in.
std::shared_ptr<ScriptedPrompter::Script> Script(CSpeckwashDlg& window);

// A folder for the test's files and settings store, removed at exit.
QString TestFolder();

// A smooth colour picture with dark specks at `specks` (x, y pairs), 3 × 3 each.
std::unique_ptr<CImage> DustyPicture(int width, int height, const std::vector<std::pair<int, int>>& specks,
    int sampleType = SampleU8);

// Writes a picture as BMP (8-bit) or 16-bit TIFF and returns the path.
QString WritePicture(const CImage& picture, const QString& name);

// Processes events until the open under way ends; true when it opened the
// image, false when it was refused or no open was under way.
bool WaitForOpen(CSpeckwashDlg& window);
// OpenFile, then WaitForOpen.
bool OpenAndWait(CSpeckwashDlg& window, const QString& path);

// Processes events until the engine has no work left at levels 1 and 0.
bool WaitForEngine(CSpeckwashDlg& window, int timeoutMs = 60000);

// The window as painted.
QImage Painted(CSpeckwashDlg& window);
