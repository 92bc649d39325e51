// The "Infrared" box and its sensitivity on the real window and panel: which
// images enable it, that the desktop program cleans an RGBI scan exactly as
// the command-line tool does, and that switching it off gives the
// visible-light result.
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QSlider>
#include <QTest>
#include <cstring>

#include "app/control_panel/control_panel_window.h"
#include "app/control_panel/panel_bridge.h"
#include "app/main_window/main_window.h"
#include "app/settings/settings_access.h"
#include "app/speckwash_app.h"
#include "engine/dust_engine.h"
#include "gui_test_support.h"
#include "workflow/clean_file.h"

namespace {

const QString kSample = QStringLiteral(SW_SAMPLE_DIR "/sample-rgbi.tif");
constexpr int kWholeSampleMs = 280000; // a guard against a hang, not a timing

QCheckBox* InfraredBox(CPanelBridge& bridge) { return qobject_cast<QCheckBox*>(bridge.Panel()->Control(kIdInfrared)); }

// The file the command-line tool writes for the sample with `choice`.
std::unique_ptr<CImage> CleanedByTheTool(InfraredChoice choice, const QString& name)
{
    CleanFileJob job;
    job.input = kSample.toStdString();
    job.output = QDir(TestFolder()).filePath(name).toStdString();
    job.infrared = choice;
    const CleanFileReport report = CleanImageFile(job);
    if (report.status != CleanFileOk || report.infraredUsed != (choice != InfraredOff))
        return nullptr;
    return std::make_unique<CImage>(job.output.c_str(), 0);
}

QByteArray StoreText()
{
    QFile store(qEnvironmentVariable("SPECKWASH_REGISTRY"));
    return store.open(QIODevice::ReadOnly) ? store.readAll() : QByteArray();
}

// The colour planes; an 8-bit working image may carry its fourth sample along.
bool SamePixels(const CImage& a, const CImage& b)
{
    if (a.width != b.width || a.height != b.height || a.channelCount < 3 || b.channelCount < 3
        || a.sampleType != SampleU8 || b.sampleType != SampleU8)
        return false;
    const size_t n = static_cast<size_t>(a.width) * a.height;
    for (int c = 0; c < 3; ++c)
        if (std::memcmp(a.Plane8(c), b.Plane8(c), n) != 0)
            return false;
    return true;
}

} // namespace

class InfraredPanelTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestFolder(); }

    // Runs first: the program-wide resolution memory is fresh, as for the
    // tool, and nothing has stored an infrared choice yet.
    void anRgbiScanCleansLikeTheToolAndSwitchesToVisibleLight()
    {
        CSpeckwashDlg window;
        auto script = Script(window);
        CPanelBridge bridge(window);
        CSpeckwashApp::OpenAtStart(window, kSample);
        QTRY_VERIFY(window.Engine() != nullptr);
        QCheckBox* box = InfraredBox(bridge);
        QVERIFY(box->isEnabled());
        QVERIFY(box->isChecked());
        QVERIFY(bridge.Panel()->Slider(kIdInfraredSensitivity)->isEnabled());
        QCOMPARE(bridge.Panel()->Slider(kIdInfraredSensitivity)->value(), 5);
        QCOMPARE(window.Session().params.infrared, 5);
        QVERIFY(script->asked.isEmpty());
        QVERIFY(WaitForEngine(window, kWholeSampleMs));
        auto byInfrared = CleanedByTheTool(InfraredAuto, "tool-infrared.tif");
        QVERIFY(byInfrared);
        QVERIFY(SamePixels(*window.Engine()->WorkImage(), *byInfrared));
        // Opening wrote no infrared values to the store; the user's change does.
        QVERIFY(!StoreText().contains("Infrared"));

        box->click();
        QVERIFY(!box->isChecked());
        QCOMPARE(window.Session().params.infrared, 0);
        QVERIFY(!bridge.Panel()->Slider(kIdInfraredSensitivity)->isEnabled());
        QVERIFY(WaitForEngine(window, kWholeSampleMs));
        auto byVisibleLight = CleanedByTheTool(InfraredOff, "tool-visible.tif");
        QVERIFY(byVisibleLight);
        QVERIFY(!SamePixels(*byInfrared, *byVisibleLight));
        QVERIFY(SamePixels(*window.Engine()->WorkImage(), *byVisibleLight));
        // The choice is stored, and the next session starts with it.
        QVERIFY(!LoadStartupSettings().infrared.enabled);
        box->click();
        QVERIFY(LoadStartupSettings().infrared.enabled);

        window.ClosePrompt(); // "save your changes?" is answered No
        QVERIFY(!window.Session().HasImage());
        QVERIFY(!window.Session().infrared.plane);
        QVERIFY(!InfraredBox(bridge)->isEnabled());
    }

    void withoutAUsablePlaneTheBoxStaysOffAndARefusalIsToldOnce()
    {
        const QString plain = WritePicture(*DustyPicture(300, 200, { { 40, 30 } }), "plain.bmp");
        const QString refused = WritePicture(*DustyPicture(300, 200, { { 40, 30 } }), "refused.bmp");
        QVERIFY(!WritePicture(*DustyPicture(120, 80, {}), "refused_IR.bmp").isEmpty());
        {
            CSpeckwashDlg window;
            auto script = Script(window);
            CPanelBridge bridge(window);
            CSpeckwashApp::OpenAtStart(window, plain);
            QTRY_VERIFY(window.Engine() != nullptr);
            QVERIFY(!InfraredBox(bridge)->isEnabled());
            QVERIFY(!InfraredBox(bridge)->isChecked());
            QVERIFY(!bridge.Panel()->Slider(kIdInfraredSensitivity)->isEnabled());
            QCOMPARE(window.Session().params.infrared, 0);
            QVERIFY(script->asked.isEmpty());
        }
        {
            CSpeckwashDlg window;
            auto script = Script(window);
            CPanelBridge bridge(window);
            CSpeckwashApp::OpenAtStart(window, refused);
            QTRY_VERIFY(window.Engine() != nullptr);
            QVERIFY(!InfraredBox(bridge)->isEnabled());
            QCOMPARE(window.Session().params.infrared, 0);
            QCOMPARE(script->asked.size(), 1);
            QVERIFY(script->asked[0].startsWith(QStringLiteral("The infrared file ")));
            QVERIFY(script->asked[0].contains(QStringLiteral(" is 120 x 80 pixels, the image 300 x 200;")));
        }
    }
};

QTEST_MAIN(InfraredPanelTest)
#include "infrared_panel_test.moc"
