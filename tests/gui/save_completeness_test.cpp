#include <QApplication>
#include <QMouseEvent>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <condition_variable>
#include <mutex>

#include "app/brush/brush_tool.h"
#include "app/control_panel/control_panel_window.h"
#include "app/control_panel/panel_bridge.h"
#include "app/main_window/main_window.h"
#include "engine/dust_engine.h"
#include "gui_test_support.h"
#include "workflow/dust_parameter_rules.h"
#include "workflow/image_kind.h"
#include "workflow/whole_image_clean.h"

namespace {

// Runs a fresh engine over the whole of `path` with the window's parameters
// and strokes, dab for dab as the brush paints them, until every tile is done.
std::unique_ptr<CImage> CleanedWithStrokes(const QString& path, const DustParams& params, BrushStrokeList& strokes)
{
    WorkingImage source;
    if (LoadWorkingImage(path.toLocal8Bit().constData(), source) != LoadAccepted)
        return nullptr;
    struct Listener : RegionListener {
        std::mutex m;
        std::condition_variable done;
        void RegionDone(int, int) override
        {
            std::lock_guard hold(m);
            done.notify_all();
        }
    } listener;
    DustEngine engine(*source.working, kEngineTileSize, &listener);
    for (const BrushStroke& stroke : strokes.Strokes()) {
        BrushTip tip;
        if (!BuildBrushTip(tip, stroke.radius, stroke.manualDustSize, stroke.tool, stroke.strength))
            return nullptr;
        for (size_t i = 1; i < stroke.points.size(); ++i)
            WalkSegment(stroke.points[i - 1], stroke.points[i], tip.radius, [&](int x, int y) {
                ApplyDab(tip, *engine.ManualMask(), *engine.ManualDustSize(), x, y);
                engine.Request(DabSquare(x, y, tip.radius), KindBrush, 2, 1, &params);
            });
    }
    engine.Request({ 0, 0, source.working->width, source.working->height }, KindAuto, 0, 1, &params);
    std::unique_lock hold(listener.m);
    listener.done.wait(hold, [&] { return engine.Finished(); });
    auto result = std::make_unique<CImage>(1, 1, 3, SampleU8);
    engine.WorkImage()->ConvertInto(*result);
    return result;
}

bool SameSamples(const CImage& a, const CImage& b)
{
    if (a.width != b.width || a.height != b.height)
        return false;
    const size_t count = static_cast<size_t>(a.width) * a.height;
    for (int c = 0; c < 3; ++c)
        if (!std::equal(a.Plane8(c), a.Plane8(c) + count, b.Plane8(c)))
            return false;
    return true;
}

void Send(CSpeckwashDlg& window, QEvent::Type type, QPoint at, Qt::MouseButtons buttons)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, QPointF(at), QPointF(window.mapToGlobal(at)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(&window, &e);
}

} // namespace

// Saving holds every correction asked for before it, the brush's included,
// whatever the view does meanwhile, and never waits on a stroke still held.
class SaveCompletenessTest : public QObject {
    Q_OBJECT

    QString picture;

    // Opens the picture and paints with a large manual dust size, so that
    // brush work is slow; unless `settled`, the automatic work of most tiles
    // is still queued too.
    static void OpenAndPress(CSpeckwashDlg& window, CPanelBridge& bridge, const QString& path, bool settled = false)
    {
        QVERIFY(OpenAndWait(window, path));
        if (settled)
            QVERIFY(WaitForEngine(window));
        QSlider* size = bridge.Panel()->Slider(kIdBrushSize);
        size->setValue(size->maximum());
        QSlider* manual = bridge.Panel()->Slider(kIdManualDustSize);
        manual->setValue(manual->maximum());
        const Rect& r = window.View().imageRect;
        const QPoint at((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        Send(window, QEvent::MouseButtonPress, at, Qt::LeftButton);
        Send(window, QEvent::MouseMove, at + QPoint(30, 12), Qt::LeftButton);
    }

private slots:
    void initTestCase()
    {
        TestFolder();
        std::vector<std::pair<int, int>> specks;
        for (int k = 0; k < 40; ++k)
            specks.push_back({ 40 + k * 43, 30 + (k * 97) % 1300 });
        picture = WritePicture(*DustyPicture(1800, 1400, specks), "large.bmp");
    }

    void init()
    {
        ProgramResolutionMemory() = {};
        CSpeckwashDlg2::ResetProgramMemory();
    }

    void aSaveRightAfterAStrokeWhileTheViewMovesHoldsEverything()
    {
        CSpeckwashDlg window;
        auto script = Script(window);
        CPanelBridge bridge(window);
        window.show();
        OpenAndPress(window, bridge, picture);
        Send(window, QEvent::MouseButtonRelease, QPoint(), Qt::NoButton);
        QVERIFY(!window.Engine()->Finished());
        // Zoom and pan while the save waits: they move queued (and busy)
        // tiles between levels under the wait's feet.
        int moves = 0;
        QTimer::singleShot(0, &window, [&] {
            window.ZoomIn();
            ++moves;
            QTimer::singleShot(0, &window, [&] {
                bridge.NavigatorPanTo({ 100, 100 });
                ++moves;
                QTimer::singleShot(0, &window, [&] {
                    window.ZoomOut();
                    ++moves;
                });
            });
        });
        script->savePath = TestFolder() + "/after-stroke.bmp";
        QCOMPARE(window.Save(), CSpeckwashDlg::Saved);
        QCOMPARE(moves, 3);

        auto expected = CleanedWithStrokes(picture, window.Params(), window.Brush().Strokes());
        WorkingImage saved;
        QCOMPARE(LoadWorkingImage(script->savePath.toLocal8Bit().constData(), saved), LoadAccepted);
        QVERIFY(expected);
        QVERIFY(SameSamples(*saved.working, *expected));
    }

    void aSaveRightAfterAStrokeOnAFinishedImageHoldsTheStroke()
    {
        // Only brush work is left: a wait for the automatic levels alone
        // would write the file before the stroke's corrections.
        CSpeckwashDlg window;
        auto script = Script(window);
        CPanelBridge bridge(window);
        window.show();
        OpenAndPress(window, bridge, picture, true);
        Send(window, QEvent::MouseButtonRelease, QPoint(), Qt::NoButton);
        script->savePath = TestFolder() + "/finished.bmp";
        QCOMPARE(window.Save(), CSpeckwashDlg::Saved);

        auto expected = CleanedWithStrokes(picture, window.Params(), window.Brush().Strokes());
        WorkingImage saved;
        QCOMPARE(LoadWorkingImage(script->savePath.toLocal8Bit().constData(), saved), LoadAccepted);
        QVERIFY(expected);
        QVERIFY(SameSamples(*saved.working, *expected));
    }

    void aSaveDuringAHeldStrokeEndsItAndHoldsIt()
    {
        CSpeckwashDlg window;
        auto script = Script(window);
        CPanelBridge bridge(window);
        window.show();
        OpenAndPress(window, bridge, picture);
        QVERIFY(window.Brush().StrokeInProgress());
        script->savePath = TestFolder() + "/held-stroke.bmp";
        QCOMPARE(window.Save(), CSpeckwashDlg::Saved);
        QVERIFY(!window.Brush().StrokeInProgress());

        auto expected = CleanedWithStrokes(picture, window.Params(), window.Brush().Strokes());
        WorkingImage saved;
        QCOMPARE(LoadWorkingImage(script->savePath.toLocal8Bit().constData(), saved), LoadAccepted);
        QVERIFY(expected);
        QVERIFY(SameSamples(*saved.working, *expected));
    }
};

QTEST_MAIN(SaveCompletenessTest)
#include "save_completeness_test.moc"
