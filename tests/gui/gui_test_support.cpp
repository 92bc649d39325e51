#include "gui_test_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "app/main_window/main_window.h"
#include "engine/dust_engine.h"
#include "imagefiles/image_file_types.h"

PromptAnswer ScriptedPrompter::Ask(QWidget*, const QString& text, bool)
{
    script->asked << text;
    if (script->answers.empty())
        return PromptNo;
    PromptAnswer a = script->answers.front();
    script->answers.erase(script->answers.begin());
    return a;
}

void ScriptedPrompter::Inform(QWidget*, const QString& text)
{
    script->asked << text;
}

QString ScriptedPrompter::ChooseOpenPath(QWidget*)
{
    return script->openPaths.isEmpty() ? QString() : script->openPaths.takeFirst();
}

bool ScriptedPrompter::ChooseSavePath(QWidget*, SaveChoice& choice)
{
    script->saveDialogs.push_back(choice);
    if (script->savePath.isEmpty())
        return false;
    choice.path = script->savePath;
    if (script->saveType)
        choice.type = script->saveType;
    choice.quality = script->quality;
    return true;
}

std::shared_ptr<ScriptedPrompter::Script> Script(CSpeckwashDlg& window)
{
    auto script = std::make_shared<ScriptedPrompter::Script>();
    window.SetPrompter(std::make_unique<ScriptedPrompter>(script));
    return script;
}

QString TestFolder()
{
    static QTemporaryDir folder;
    static bool ready = [] {
        // Settings go to the test's own store, never the user's.
        qputenv("SPECKWASH_REGISTRY", QDir(folder.path()).filePath("registry.reg").toLocal8Bit());
        return true;
    }();
    (void)ready;
    return folder.path();
}

std::unique_ptr<CImage> DustyPicture(int width, int height, const std::vector<std::pair<int, int>>& specks,
    int sampleType)
{
    auto image = std::make_unique<CImage>(width, height, 3, sampleType);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            size_t i = static_cast<size_t>(y) * width + x;
            int v[3] = { 120 + x * 60 / width, 140 + y * 40 / height, 170 };
            for (int c = 0; c < 3; ++c) {
                if (sampleType == SampleU16)
                    image->Plane16(c)[i] = static_cast<uint16_t>(v[c] * 256 + (x * 7 + y * 3 + c) % 256);
                else
                    image->Plane8(c)[i] = static_cast<uint8_t>(v[c]);
            }
        }
    for (auto [sx, sy] : specks)
        for (int y = sy - 1; y <= sy + 1; ++y)
            for (int x = sx - 1; x <= sx + 1; ++x) {
                size_t i = static_cast<size_t>(y) * width + x;
                for (int c = 0; c < 3; ++c) {
                    if (sampleType == SampleU16)
                        image->Plane16(c)[i] = static_cast<uint16_t>(20 * 256 + c);
                    else
                        image->Plane8(c)[i] = 20;
                }
            }
    return image;
}

QString WritePicture(const CImage& picture, const QString& name)
{
    QString path = QDir(TestFolder()).filePath(name);
    QByteArray local = path.toLocal8Bit();
    FileResult r = picture.sampleType == SampleU16 ? SaveTiff(picture, local.constData(), 16, 5)
                                                   : SaveBmp(picture, local.constData());
    return r == FileOk ? path : QString();
}

bool WaitForOpen(CSpeckwashDlg& window)
{
    if (!window.Opening())
        return false;
    // The outcome is handed over through the event queue, so nothing can
    // arrive before the spy listens.
    QSignalSpy finished(&window, &CSpeckwashDlg::OpenFinished);
    return finished.wait(120000) && finished.at(0).at(0).toBool();
}

bool OpenAndWait(CSpeckwashDlg& window, const QString& path)
{
    window.OpenFile(path);
    return WaitForOpen(window);
}

bool WaitForEngine(CSpeckwashDlg& window, int timeoutMs)
{
    // The window hands its requests to the engine at once, and the worker
    // completes a tile in the queue only after writing its pixels, map and
    // planes: once nothing is outstanding at levels 1 and 0, everything the
    // tests read is final. The repaints the finished-region events ask for
    // do not matter here: Painted renders the whole window itself.
    DustEngine* engine = window.Engine();
    if (!engine)
        return false;
    return QTest::qWaitFor([&] {
        DustEngine* now = window.Engine();
        return now && now->Progress(1) < 0.0f && now->Progress(0) < 0.0f;
    }, timeoutMs);
}

QImage Painted(CSpeckwashDlg& window)
{
    QCoreApplication::processEvents();
    return window.grab().toImage().convertToFormat(QImage::Format_RGB32);
}
