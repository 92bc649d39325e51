#include <QApplication>
#include <QLabel>
#include <QTest>

#include "app/control_panel/control_panel_window.h"
#include "app/control_panel/panel_bridge.h"
#include "app/control_panel/panel_layout.h"
#include "app/main_window/main_window.h"
#include "app/main_window/region_done_event.h"
#include "app/main_window/window_commands.h"
#include "engine/dust_engine.h"
#include "engine/spot_veto.h"
#include "gui_test_support.h"
#include "view/icon_button.h"
#include "view/rules/spot_view.h"
#include "workflow/dust_parameter_rules.h"

namespace {

// Processes events until the engine has no work at any level and the window
// has handled the worker's end-of-batch notice, after which the spot list is
// complete. Call it once per action, so that no older notice is pending.
void WaitForBatchEnd(CSpeckwashDlg& window)
{
    struct Watch : QObject {
        bool seen = false;
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == CRegionDoneEvent::Kind() && static_cast<CRegionDoneEvent*>(e)->tag == -1)
                seen = true;
            return false;
        }
    } watch;
    window.installEventFilter(&watch);
    while (!(watch.seen && window.Engine()->Finished()))
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    window.removeEventFilter(&watch);
}

// The corrected samples over a veto's pixels, channel by channel.
std::vector<uint8_t> Samples(const CImage& image, const SpotVeto& pixels)
{
    std::vector<uint8_t> out;
    for (const PixelRun& run : pixels.runs)
        for (int x = run.x0; x < run.x1; ++x)
            for (int c = 0; c < 3; ++c)
                out.push_back(image.Plane8(c)[static_cast<size_t>(run.y) * image.width + x]);
    return out;
}

QString Caption(CSpeckwashDlg2& panel) { return qobject_cast<QLabel*>(panel.Control(kIdSpotCount))->text(); }

} // namespace

// The spot review in the real window: the count, stepping, the veto and its
// undo, and the "show spots" view, on a picture with specks of known sizes.
class SpotReviewWindowTest : public QObject {
    Q_OBJECT

    QString picture;

private slots:
    void initTestCase()
    {
        TestFolder();
        auto image = DustyPicture(320, 240, {});
        // Dark squares of sides 6 (near the middle), 4 and 2.
        const struct {
            int x, y, side;
        } specks[] = { { 157, 117, 6 }, { 60, 50, 4 }, { 250, 190, 2 } };
        for (const auto& s : specks)
            for (int y = s.y; y < s.y + s.side; ++y)
                for (int x = s.x; x < s.x + s.side; ++x)
                    for (int c = 0; c < 3; ++c)
                        image->Plane8(c)[static_cast<size_t>(y) * image->width + x] = 20;
        image->resolutionDpi = 300;
        picture = WritePicture(*image, "specks.bmp");
    }

    void init() { ProgramResolutionMemory() = {}; }

    void countStepVetoUndoAndShowSpots()
    {
        CSpeckwashDlg window;
        Script(window);
        CPanelBridge bridge(window);
        CSpeckwashDlg2& panel = *bridge.Panel();
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QVERIFY(OpenAndWait(window, picture));
        WaitForBatchEnd(window);
        QCOMPARE(Caption(panel), QStringLiteral("3 spots corrected"));
        QVERIFY(panel.Control(kIdSpotCount)->isVisible());

        // N: the largest speck, centred and zoomed in so that it fills a useful part of the window.
        QTest::keyClick(&window, Qt::Key_N);
        QCOMPARE(window.SpotUnderReview(), 0);
        const Spot largest = window.Session().spots->List().Spots()[0];
        QVERIFY(largest.box.left <= 157 && largest.box.right >= 163 && largest.box.top <= 117 && largest.box.bottom >= 123);
        const ViewGeometry& view = window.View();
        QVERIFY(view.scale < 1.0f);
        QVERIFY(std::abs((view.visible.left + view.visible.right) / 2 - 160) <= 1);
        QVERIFY(std::abs((view.visible.top + view.visible.bottom) / 2 - 120) <= 1);
        const Rect onScreen = ImageRectInWindow(view, largest.box);
        QVERIFY(onScreen.Width() * 4 >= view.imageRect.Width() / 2 || onScreen.Height() * 4 >= view.imageRect.Height() / 2);
        QVERIFY(onScreen.Width() * 2 <= view.imageRect.Width() && onScreen.Height() * 2 <= view.imageRect.Height());
        // The panel's next button and Shift+N step the same list.
        QTest::mouseClick(panel.Button(kIdNextSpot), Qt::LeftButton);
        QCOMPARE(window.SpotUnderReview(), 1);
        QTest::keyClick(&window, Qt::Key_N, Qt::ShiftModifier);
        QCOMPARE(window.SpotUnderReview(), 0);

        // Delete: exactly the spot's pixels are the source's again.
        DustEngine& engine = *window.Engine();
        const SpotVeto pixels = VetoForSpot(window.Session().spots->List(), 0);
        const std::vector<uint8_t> corrected = Samples(*engine.WorkImage(), pixels);
        QVERIFY(corrected != Samples(*engine.Source(), pixels));
        QTest::keyClick(&window, Qt::Key_Delete);
        WaitForBatchEnd(window);
        QCOMPARE(Caption(panel), QStringLiteral("2 spots corrected"));
        QVERIFY(Samples(*engine.WorkImage(), pixels) == Samples(*engine.Source(), pixels));
        QVERIFY(panel.Control(kIdUndo)->isEnabled());
        QVERIFY(window.IsModified());

        // A second veto, undone: its replay of the strokes before keeps the first veto.
        QTest::keyClick(&window, Qt::Key_N);
        QTest::keyClick(&window, Qt::Key_Delete);
        WaitForBatchEnd(window);
        QCOMPARE(Caption(panel), QStringLiteral("1 spot corrected"));
        QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier);
        WaitForBatchEnd(window);
        QCOMPARE(Caption(panel), QStringLiteral("2 spots corrected"));
        QVERIFY(Samples(*engine.WorkImage(), pixels) == Samples(*engine.Source(), pixels));

        // Ctrl+Z: the correction and the spot come back, under review again.
        QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier);
        WaitForBatchEnd(window);
        QCOMPARE(Caption(panel), QStringLiteral("3 spots corrected"));
        QVERIFY(Samples(*engine.WorkImage(), pixels) == corrected);
        QCOMPARE(window.SpotUnderReview(), 0);
        QVERIFY(window.Session().strokes.Empty());

        // S: the spots in a strong colour over a dimmed picture, and back;
        // seen at the largest spot again.
        QTest::keyClick(&window, Qt::Key_N);
        QTest::keyClick(&window, Qt::Key_N, Qt::ShiftModifier);
        const QImage before = Painted(window);
        const Point centre = ImageToView(window.Session().view, 160, 120);
        const Point away = ImageToView(window.Session().view, 140, 100);
        QTest::keyClick(&window, Qt::Key_S);
        const QImage shown = Painted(window);
        QCOMPARE(shown.pixelColor(centre.x, centre.y), QColor(255, 0, 0));
        QVERIFY(qGray(shown.pixel(away.x, away.y)) < qGray(before.pixel(away.x, away.y)) - 40);
        // The pop-up menu shows the switch and turns it off like the key.
        const ContextMenuState menu = bridge.Commands().MenuState();
        QVERIFY(menu.showSpots && menu.hasSpots && menu.spotUnderReview);
        bridge.Commands().Carry(kCmdShowSpots);
        QCOMPARE(Painted(window).pixel(away.x, away.y), before.pixel(away.x, away.y));
    }
};

QTEST_MAIN(SpotReviewWindowTest)
#include "spot_review_window_test.moc"
