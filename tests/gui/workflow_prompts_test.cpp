// The open, close and quit questions, refused files, and saving in every format.
#include <QDir>
#include <QFile>
#include <QTest>

#include "app/main_window/main_window.h"
#include "engine/dust_engine.h"
#include "gui_test_support.h"
#include "workflow/dust_parameter_rules.h"
#include "workflow/image_kind.h"

namespace {
const std::vector<std::pair<int, int>> kSpecks { { 40, 30 }, { 150, 100 } };
const QString kSaveQuestion = QStringLiteral("Do you want to Save your changes?");
const QString kCloseQuestion = QStringLiteral("No changes to image. Do you want to close Speckwash?");

QString Picture(const QString& name)
{
    static int serial = 0;
    return WritePicture(*DustyPicture(300, 200, kSpecks), QString::number(++serial) + name);
}

QString Target(const QString& name)
{
    return QDir(TestFolder()).filePath(name);
}

// Opens a picture in a shown window whose questions the returned script answers.
std::shared_ptr<ScriptedPrompter::Script> OpenIn(CSpeckwashDlg& window, const QString& path)
{
    auto script = Script(window);
    window.show();
    if (path.isEmpty())
        return script;
    script->openPaths << path;
    window.Open();
    return WaitForOpen(window) ? script : nullptr;
}
} // namespace

class WorkflowPromptsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestFolder(); }
    void escWithAnUnchangedImage();
    void escWithChangesSavesOrClosesOrStays();
    void quitPromptAnswers();
    void cancelledOpenThenEsc();
    void refusedFilesLeaveTheOpenImage();
    void savesEachFormatAndReadsItBack();
    void sixteenBitRoundTrip();
    void failedSaveKeepsTheChanges();
    void rotatedViewSavesTurnedOnlyWhenAsked();
};

void WorkflowPromptsTest::escWithAnUnchangedImage()
{
    for (PromptAnswer answer : { PromptNo, PromptYes }) {
        CSpeckwashDlg window;
        auto script = OpenIn(window, Picture("esc.bmp"));
        QVERIFY(script);
        script->savePath = Target("esc-saved.bmp");
        window.Save(); // saved: nothing left to lose
        QVERIFY(!window.IsModified());
        script->answers = { answer };
        QTest::keyClick(&window, Qt::Key_Escape);
        QCOMPARE(script->asked.last(), kCloseQuestion);
        if (answer == PromptNo) {
            // Back to the empty window, ready for the next image.
            QVERIFY(window.isVisible());
            QVERIFY(window.Engine() == nullptr);
            QVERIFY(window.CurrentImage() == nullptr);
            QVERIFY(window.StartPictureVisible());
            // Esc on the empty window ends it without a question.
            int asked = script->asked.size();
            QTest::keyClick(&window, Qt::Key_Escape);
            QCOMPARE(script->asked.size(), asked);
        }
        QVERIFY(!window.isVisible());
        QVERIFY(window.Engine() == nullptr);
    }
}

void WorkflowPromptsTest::escWithChangesSavesOrClosesOrStays()
{
    {
        CSpeckwashDlg window;
        auto script = OpenIn(window, Picture("yes.bmp"));
        QVERIFY(window.IsModified());
        script->answers = { PromptYes };
        script->savePath = Target("esc-yes.png");
        script->saveType = 3;
        window.ClosePrompt();
        QCOMPARE(script->asked.last(), kSaveQuestion);
        QVERIFY(QFile::exists(Target("esc-yes.png")));
        QVERIFY(window.isVisible());
        QVERIFY(window.Engine() != nullptr); // still open, no longer modified
        QVERIFY(!window.IsModified());
    }
    {
        CSpeckwashDlg window;
        auto script = OpenIn(window, Picture("no.bmp"));
        script->answers = { PromptNo };
        window.ClosePrompt();
        QVERIFY(window.isVisible());
        QVERIFY(window.Engine() == nullptr);
        QVERIFY(!window.IsModified());
    }
    {
        CSpeckwashDlg window;
        auto script = OpenIn(window, Picture("cancel.bmp"));
        script->answers = { PromptCancel };
        window.close(); // the close box asks the same
        QCOMPARE(script->asked, QStringList { kSaveQuestion });
        QVERIFY(window.isVisible());
        QVERIFY(window.Engine() != nullptr);
        QVERIFY(window.IsModified());
    }
}

void WorkflowPromptsTest::quitPromptAnswers()
{
    {
        CSpeckwashDlg window;
        auto script = OpenIn(window, Picture("quit-cancel.bmp"));
        script->answers = { PromptCancel };
        window.QuitPrompt();
        QVERIFY(window.isVisible());
    }
    {
        CSpeckwashDlg window;
        auto script = OpenIn(window, Picture("quit-no.bmp"));
        script->answers = { PromptNo };
        window.QuitPrompt();
        QVERIFY(!window.isVisible());
        QVERIFY(script->saveDialogs.empty());
    }
    {
        CSpeckwashDlg window;
        auto script = OpenIn(window, Picture("quit-yes.bmp"));
        script->answers = { PromptYes };
        script->savePath = Target("quit-yes.bmp");
        window.QuitPrompt();
        QVERIFY(QFile::exists(Target("quit-yes.bmp")));
        QVERIFY(!window.isVisible());
    }
    {
        // Yes, then the save dialog cancelled: the changes were not kept, so stay.
        CSpeckwashDlg window;
        auto script = OpenIn(window, Picture("quit-yes-cancel.bmp"));
        script->answers = { PromptYes };
        window.QuitPrompt();
        QCOMPARE(script->saveDialogs.size(), size_t(1));
        QVERIFY(window.isVisible());
    }
    {
        CSpeckwashDlg window;
        auto script = OpenIn(window, QString());
        window.QuitPrompt(); // nothing open, nothing changed: no question
        QVERIFY(script->asked.isEmpty());
        QVERIFY(!window.isVisible());
    }
}

void WorkflowPromptsTest::cancelledOpenThenEsc()
{
    CSpeckwashDlg window;
    auto script = OpenIn(window, QString());
    window.Open(); // the open dialog is cancelled
    QVERIFY(window.IsModified());
    script->answers = { PromptYes };
    window.ClosePrompt();
    QCOMPARE(script->asked, QStringList { kSaveQuestion });
    QVERIFY(script->saveDialogs.empty()); // nothing to save
    QVERIFY(window.isVisible());
    QVERIFY(!window.IsModified());
}

void WorkflowPromptsTest::refusedFilesLeaveTheOpenImage()
{
    CSpeckwashDlg window;
    QString good = Picture("good.bmp");
    auto script = OpenIn(window, good);
    QVERIFY(script);
    DustEngine* engine = window.Engine();

    QString junk = Target("junk.bmp");
    QFile file(junk);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("BM this is not a picture at all");
    file.close();
    script->openPaths << junk;
    window.Open();
    QVERIFY(window.Opening());
    QVERIFY(!WaitForOpen(window));
    QCOMPARE(script->asked.last(), QStringLiteral("Unable to read image file"));
    QCOMPARE(window.Engine(), engine);
    QCOMPARE(window.ImagePath(), good);
    QCOMPARE(window.Kind(), ImageRgb8);

    // A picture too small to clean: held, but nothing runs on it.
    auto tiny = DustyPicture(2, 1000, {});
    QString tinyPath = WritePicture(*tiny, "tiny.bmp");
    QVERIFY(!OpenAndWait(window, tinyPath));
    QCOMPARE(script->asked.last(), QStringLiteral("The image file is too small."));
    QVERIFY(window.Engine() == nullptr);
    QVERIFY(window.CurrentImage() != nullptr);
    script->savePath = Target("never.bmp");
    QCOMPARE(window.Save(), CSpeckwashDlg::NothingToSave);

    // A 3-pixel-wide picture is just big enough, with a brush of radius 1.
    // Without a resolution, and first in the run, the dust radius is held to it too.
    ProgramResolutionMemory() = ResolutionMemory {};
    window.Params().dustRadius = 10;
    QString narrow = WritePicture(*DustyPicture(3, 1000, {}), "narrow.bmp");
    QVERIFY(OpenAndWait(window, narrow));
    QCOMPARE(window.LargestBrushRadius(), 1);
    QCOMPARE(int(window.Params().dustRadius), 1);

    // And a normal picture opens again after all that.
    QVERIFY(OpenAndWait(window, good));
    QVERIFY(WaitForEngine(window));
}

void WorkflowPromptsTest::savesEachFormatAndReadsItBack()
{
    CSpeckwashDlg window;
    auto script = OpenIn(window, Picture("formats.bmp"));
    QVERIFY(WaitForEngine(window));
    const CImage& corrected = *window.Engine()->WorkImage();
    struct Case {
        int type;
        const char* chosen; // as typed in the dialog
        const char* written;
    };
    const Case cases[] = { { 1, "out-a.png", "out-a.bmp" }, { 2, "out-b.png", "out-b.jpg" },
        { 3, "out-c", "out-c.png" }, { 4, "out-d.tif", "out-d.tif" } };
    for (const Case& c : cases) {
        script->savePath = Target(c.chosen);
        script->saveType = c.type;
        script->quality = c.type == 2 ? 60 : 200;
        QCOMPARE(window.Save(), CSpeckwashDlg::Saved);
        QByteArray written = Target(c.written).toLocal8Bit();
        CImage back(written.constData(), 0);
        QCOMPARE(back.width, 300);
        QCOMPARE(back.height, 200);
        QCOMPARE(back.channelCount, 3);
        int worst = 0;
        for (int ch = 0; ch < 3; ++ch)
            for (size_t i = 0; i < back.PixelCount(); ++i)
                worst = std::max(worst, std::abs(back.Plane8(ch)[i] - corrected.Plane8(ch)[i]));
        if (c.type == 2)
            QVERIFY2(worst < 40, c.written); // lossy, but the same picture
        else
            QVERIFY2(worst == 0, c.written);
    }
    // The next dialog starts in the folder saved to last.
    QCOMPARE(script->saveDialogs.back().folder, TestFolder());
}

void WorkflowPromptsTest::sixteenBitRoundTrip()
{
    auto source = DustyPicture(300, 200, kSpecks, SampleU16);
    QString path = WritePicture(*source, "deep.tif");
    QVERIFY(!path.isEmpty());
    CSpeckwashDlg window;
    auto script = OpenIn(window, path);
    QVERIFY(script);
    QCOMPARE(window.Kind(), ImageRgb16);
    QVERIFY(WaitForEngine(window));
    script->savePath = Target("deep.png");
    script->saveType = 3;
    QCOMPARE(window.Save(), CSpeckwashDlg::Saved);
    QByteArray written = Target("deep.png").toLocal8Bit();
    CImage back(written.constData(), 0);
    QCOMPARE(back.sampleType, int(SampleU16));
    const CImage& corrected = *window.Engine()->WorkImage();
    size_t untouched = 0, corrected16 = 0;
    for (int ch = 0; ch < 3; ++ch)
        for (size_t i = 0; i < back.PixelCount(); ++i) {
            uint16_t was = source->Plane16(ch)[i];
            uint16_t now = back.Plane16(ch)[i];
            if (corrected.Plane8(ch)[i] == was >> 8) {
                QCOMPARE(now, was);
                ++untouched;
            } else {
                QCOMPARE(now, uint16_t(corrected.Plane8(ch)[i] << 8 | (was & 0xff)));
                ++corrected16;
            }
        }
    QVERIFY(corrected16 > 0);
    QVERIFY(untouched > corrected16);
}

void WorkflowPromptsTest::failedSaveKeepsTheChanges()
{
    CSpeckwashDlg window;
    auto script = OpenIn(window, Picture("fail.bmp"));
    script->savePath = Target("no-such-folder/out.bmp");
    script->saveType = 1;
    QCOMPARE(window.Save(), CSpeckwashDlg::SaveFailed);
    QCOMPARE(script->asked.last(), QStringLiteral("Unable to save the image in file %1\nThis file may be write protected.")
                                       .arg(Target("no-such-folder/out.bmp")));
    QVERIFY(window.IsModified());
}

void WorkflowPromptsTest::rotatedViewSavesTurnedOnlyWhenAsked()
{
    CSpeckwashDlg window;
    auto script = OpenIn(window, Picture("turned.bmp"));
    window.Rotate(1);
    QVERIFY(WaitForEngine(window));
    const CImage& corrected = *window.Engine()->WorkImage();
    script->saveType = 1;
    script->savePath = Target("flat.bmp");
    QCOMPARE(window.Save(), CSpeckwashDlg::Saved);
    QByteArray flatPath = Target("flat.bmp").toLocal8Bit();
    CImage flat(flatPath.constData(), 0);
    QCOMPARE(flat.width, 300); // the view's turn is not saved by default

    window.SetSaveRotated(1);
    script->savePath = Target("turned-out.bmp");
    QCOMPARE(window.Save(), CSpeckwashDlg::Saved);
    QByteArray turnedPath = Target("turned-out.bmp").toLocal8Bit();
    CImage turned(turnedPath.constData(), 0);
    QCOMPARE(turned.width, 200);
    QCOMPARE(turned.height, 300);
    // Clockwise: source (x, y) lands at (h − 1 − y, x).
    for (auto [x, y] : { std::pair { 0, 0 }, std::pair { 150, 100 }, std::pair { 299, 37 } })
        for (int ch = 0; ch < 3; ++ch)
            QCOMPARE(turned.Plane8(ch)[static_cast<size_t>(x) * 200 + (199 - y)],
                corrected.Plane8(ch)[static_cast<size_t>(y) * 300 + x]);
}

QTEST_MAIN(WorkflowPromptsTest)
#include "workflow_prompts_test.moc"
