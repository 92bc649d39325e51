#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QSlider>
#include <QTest>
#include <QWheelEvent>
#include <cstring>
#include <vector>

#include "app/brush/brush_tool.h"
#include "app/control_panel/panel_bridge.h"
#include "app/main_window/main_window.h"
#include "app/control_panel/control_panel_window.h"
#include "engine/dust_engine.h"
#include "gui_test_support.h"
#include "workflow/dust_parameter_rules.h"

namespace {

// A fine texture over a gradient: clean to the detector at its settings, but
// never equal to its own median, so a marked pixel visibly moves.
std::unique_ptr<CImage> TexturedPicture(int width, int height)
{
    auto image = std::make_unique<CImage>(width, height, 3, SampleU8);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const size_t i = static_cast<size_t>(y) * width + x;
            const int grain = ((x * 37 + y * 91) % 13) - 6;
            for (int c = 0; c < 3; ++c)
                image->Plane8(c)[i] = static_cast<uint8_t>(110 + c * 20 + x * 40 / width + grain);
        }
    return image;
}

void SendMouse(CSpeckwashDlg& window, QEvent::Type type, QPoint at, Qt::MouseButtons buttons,
    Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(at), QPointF(window.mapToGlobal(at)), button, buttons, modifiers);
    QApplication::sendEvent(&window, &event);
}

// Press at `from`, move in `steps` equal moves to `to`, release there.
void Stroke(CSpeckwashDlg& window, QPoint from, QPoint to, int steps = 8)
{
    SendMouse(window, QEvent::MouseButtonPress, from, Qt::LeftButton);
    for (int k = 1; k <= steps; ++k)
        SendMouse(window, QEvent::MouseMove, from + (to - from) * k / steps, Qt::LeftButton);
    SendMouse(window, QEvent::MouseButtonRelease, to, Qt::NoButton);
}

uint8_t At(const CImage* image, int plane, int x, int y)
{
    return image->Plane8(plane)[static_cast<size_t>(y) * image->width + x];
}

std::vector<uint8_t> MaskCopy(CSpeckwashDlg& window)
{
    const CImage* mask = window.Engine()->ManualMask();
    const uint8_t* p = mask->Plane8(0);
    return std::vector<uint8_t>(p, p + static_cast<size_t>(mask->width) * mask->height);
}

// Window point of an image pixel (the views here are unturned and unzoomed).
QPoint WindowPoint(CSpeckwashDlg& window, int x, int y)
{
    ViewGeometry view = window.View();
    Point p = ImageToView(view, x, y);
    return { p.x, p.y };
}

bool WaitForBrush(CSpeckwashDlg& window)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 60000) {
        if (window.Engine()->Progress(2) < 0.0f && window.Engine()->CurrentLevel() < 0) {
            // The planes are final now; the window's own reports of the
            // tiles only repaint, and a grab paints from the planes anyway.
            QCoreApplication::processEvents();
            return true;
        }
        QTest::qWait(10);
    }
    return false;
}

} // namespace

// Strokes painted with real mouse events on the window, through the engine.
class BrushStrokeTest : public QObject {
    Q_OBJECT

    QString textured;
    QString dusty;
    QString large;

private slots:
    void initTestCase()
    {
        TestFolder();
        auto t = TexturedPicture(400, 300);
        t->resolutionDpi = 300;
        textured = WritePicture(*t, "textured.bmp");
        auto d = DustyPicture(400, 300, { { 100, 100 }, { 250, 180 } });
        d->resolutionDpi = 300;
        dusty = WritePicture(*d, "dusty.bmp");
        auto l = TexturedPicture(2400, 1800);
        large = WritePicture(*l, "large.bmp");
    }

    void init()
    {
        ProgramResolutionMemory() = {};
        CSpeckwashDlg2::ResetProgramMemory();
    }

    void addTouchUpBlendsACleanAreaAndTintsIt()
    {
        CSpeckwashDlg window;
        Script(window);
        CPanelBridge bridge(window);
        window.show();
        QVERIFY(OpenAndWait(window, textured));
        QVERIFY(WaitForEngine(window));
        DustEngine& engine = *window.Engine();
        const CImage* source = engine.Source();
        const CImage* work = engine.WorkImage();
        auto changedAround = [&](int cx, int cy) {
            int n = 0;
            for (int y = cy - 2; y <= cy + 2; ++y)
                for (int x = cx - 2; x <= cx + 2; ++x)
                    n += At(work, 1, x, y) != At(source, 1, x, y);
            return n;
        };
        const int changedBefore = changedAround(200, 150);
        QImage before = Painted(window);
        const QPoint at = WindowPoint(window, 200, 150);

        Stroke(window, at, at + QPoint(6, 0), 3);
        QVERIFY(window.IsModified());
        QCOMPARE(window.Brush().Strokes().Count(), 1);
        QVERIFY(bridge.Panel()->Control(kIdUndo)->isEnabled());
        QCOMPARE(At(engine.ManualMask(), 0, 200, 150), uint8_t(255));
        QVERIFY(WaitForBrush(window));
        QVERIFY(changedAround(200, 150) > changedBefore + 10);
        // The marked area is shown tinted; elsewhere the picture is as it was.
        QImage after = Painted(window);
        QVERIFY(after.pixel(at) != before.pixel(at));
        const QPoint far = WindowPoint(window, 50, 250);
        QCOMPARE(after.pixel(far), before.pixel(far));
        window.SetHighlight(false);
        QImage plain = Painted(window);
        QVERIFY(plain.pixel(at) != after.pixel(at));
    }

    void removeTouchUpRestoresADetectedSpeck()
    {
        CSpeckwashDlg window;
        Script(window);
        CPanelBridge bridge(window);
        window.show();
        QVERIFY(OpenAndWait(window, dusty));
        QVERIFY(WaitForEngine(window));
        DustEngine& engine = *window.Engine();
        QVERIFY(At(engine.WorkImage(), 0, 100, 100) != At(engine.Source(), 0, 100, 100));

        bridge.SetBrushTool(kBrushRemoveTool);
        bridge.SetUpBrush(6, 10, kBrushRemoveTool, 255);
        const QPoint at = WindowPoint(window, 100, 100);
        Stroke(window, at, at + QPoint(1, 1), 1);
        QVERIFY(WaitForBrush(window));
        for (int y = 99; y <= 101; ++y)
            for (int x = 99; x <= 101; ++x) {
                QCOMPARE(At(engine.ManualMask(), 0, x, y), uint8_t(0));
                for (int c = 0; c < 3; ++c)
                    QCOMPARE(At(engine.WorkImage(), c, x, y), At(engine.Source(), c, x, y));
            }
        // The other speck is still corrected.
        QVERIFY(At(engine.WorkImage(), 0, 250, 180) != At(engine.Source(), 0, 250, 180));
    }

    void undoOfTheSecondStrokeLeavesTheFirst()
    {
        CSpeckwashDlg window;
        Script(window);
        CPanelBridge bridge(window);
        window.show();
        QVERIFY(OpenAndWait(window, textured));
        QVERIFY(WaitForEngine(window));
        const std::vector<uint8_t> untouched = MaskCopy(window);
        const QPoint a = WindowPoint(window, 120, 100);
        Stroke(window, a, a + QPoint(40, 10), 6);
        const std::vector<uint8_t> first = MaskCopy(window);
        QVERIFY(first != untouched);
        QVERIFY(WaitForBrush(window));
        std::vector<uint8_t> workAfterFirst(window.Engine()->WorkImage()->Plane8(0),
            window.Engine()->WorkImage()->Plane8(0) + 400 * 300);

        // The second crosses the first, so its dabs pull the same pixels further.
        bridge.SetUpBrush(9, 30, kBrushAddTool, 255);
        const QPoint b = WindowPoint(window, 140, 80);
        Stroke(window, b, b + QPoint(0, 50), 5);
        QVERIFY(MaskCopy(window) != first);
        QCOMPARE(window.Brush().Strokes().Count(), 2);
        QVERIFY(WaitForBrush(window));

        QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(window.Brush().Strokes().Count(), 1);
        QVERIFY(MaskCopy(window) == first);
        QVERIFY(bridge.Panel()->Control(kIdUndo)->isEnabled());
        // The tip is the panel's again, not the replayed stroke's.
        QCOMPARE(window.Brush().Tip().radius, 9);
        QVERIFY(WaitForBrush(window));
        const CImage* work = window.Engine()->WorkImage();
        QVERIFY(std::memcmp(work->Plane8(0), workAfterFirst.data(), workAfterFirst.size()) == 0);

        // The panel's Undo takes the last one; then there is nothing to undo.
        QTest::mouseClick(bridge.Panel()->Control(kIdUndo), Qt::LeftButton);
        QCOMPARE(window.Brush().Strokes().Count(), 0);
        QVERIFY(MaskCopy(window) == untouched);
        QVERIFY(!bridge.Panel()->Control(kIdUndo)->isEnabled());
        QVERIFY(!window.Brush().UndoLastStroke());
    }

    void duringAStrokeTheEngineTakesOnlyBrushWork()
    {
        CSpeckwashDlg window;
        Script(window);
        CPanelBridge bridge(window);
        window.show();
        QVERIFY(OpenAndWait(window, large));
        DustEngine& engine = *window.Engine();
        QVERIFY(engine.Progress(0) >= 0.0f); // plenty of automatic work queued

        const Rect shown = window.View().imageRect;
        const QPoint at((shown.left + shown.right) / 2 - 40, (shown.top + shown.bottom) / 2);
        SendMouse(window, QEvent::MouseButtonPress, at, Qt::LeftButton);
        QVERIFY(window.Brush().StrokeInProgress());
        QVERIFY(WaitForBrush(window)); // the press's dab is done; the tile in flight stopped
        const float level1 = engine.Progress(1);
        const float level0 = engine.Progress(0);
        const int doneBefore = engine.Counts().done;
        for (int k = 1; k <= 20; ++k) {
            SendMouse(window, QEvent::MouseMove, at + QPoint(3 * k, k), Qt::LeftButton);
            QTest::qWait(20);
            const int level = engine.CurrentLevel();
            QVERIFY2(level == -1 || level == 2, qPrintable(QString::number(level)));
        }
        QVERIFY(WaitForBrush(window));
        QVERIFY(engine.Counts().done > doneBefore);
        QCOMPARE(engine.Progress(1), level1);
        QCOMPARE(engine.Progress(0), level0);
        SendMouse(window, QEvent::MouseButtonRelease, at + QPoint(60, 20), Qt::NoButton);
        QVERIFY(!window.Brush().StrokeInProgress());
        // Released: the automatic work goes on.
        QElapsedTimer timer;
        timer.start();
        while (engine.Progress(1) == level1 && engine.Progress(0) == level0 && timer.elapsed() < 30000)
            QTest::qWait(20);
        QVERIFY(engine.Progress(1) != level1 || engine.Progress(0) != level0);
    }

    void aLostReleaseEndsTheStrokeAndUndoWaitsForIt()
    {
        CSpeckwashDlg window;
        Script(window);
        CPanelBridge bridge(window);
        window.show();
        QVERIFY(OpenAndWait(window, textured));
        const QPoint at = WindowPoint(window, 150, 120);
        SendMouse(window, QEvent::MouseButtonPress, at, Qt::LeftButton);
        QVERIFY(window.Engine()->Queue()->TopOnly() != 0);
        // Undo in the middle of a stroke would pull the stroke being painted
        // out from under the pointer.
        QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(window.Brush().Strokes().Count(), 1);
        // A move without the button means the release went elsewhere.
        SendMouse(window, QEvent::MouseMove, at + QPoint(10, 0), Qt::NoButton);
        QVERIFY(!window.Brush().StrokeInProgress());
        QCOMPARE(window.Engine()->Queue()->TopOnly(), uint8_t(0));
        QCOMPARE(window.Brush().Strokes().Last()->points.size(), size_t(2));
        QVERIFY(window.Brush().UndoLastStroke());
        QVERIFY(WaitForEngine(window));
    }

    void zoomKeepsTheBrushSizeOnScreen()
    {
        CSpeckwashDlg window;
        Script(window);
        CPanelBridge bridge(window);
        window.show();
        QVERIFY(OpenAndWait(window, textured));
        QCOMPARE(window.View().scale, 1.0f);
        bridge.SetUpBrush(8, 10, kBrushAddTool, 255);
        window.ZoomIn();
        QCOMPARE(window.View().scale, 0.5f);
        QCOMPARE(window.Brush().Radius(), 4);
        QCOMPARE(window.Brush().Tip().radius, 4);
        QSlider* slider = bridge.Panel()->Slider(kIdBrushSize);
        QCOMPARE(slider->maximum(), 24); // 16 × 0.5 × 3
        QCOMPARE(slider->value(), 3);
        window.ZoomIn();
        window.ZoomIn();
        QCOMPARE(window.View().scale, 0.25f);
        QCOMPARE(window.Brush().Radius(), 2); // 400 % is the last step
        QVERIFY(WaitForEngine(window));
    }

    void theWheelSizesTheBrushWithinTheSlider()
    {
        CSpeckwashDlg window;
        Script(window);
        CPanelBridge bridge(window);
        window.show();
        QVERIFY(OpenAndWait(window, textured));
        QSlider* slider = bridge.Panel()->Slider(kIdBrushSize);
        const int radius = window.Brush().Radius();
        const QPoint at = WindowPoint(window, 200, 150);
        // A tilt or a horizontal wheel has no vertical steps: it leaves the brush alone.
        QWheelEvent tilt(QPointF(at), QPointF(window.mapToGlobal(at)), QPoint(), QPoint(120, 0), Qt::NoButton,
            Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&window, &tilt);
        QCOMPARE(window.Brush().Radius(), radius);
        QWheelEvent up(QPointF(at), QPointF(window.mapToGlobal(at)), QPoint(), QPoint(0, 120), Qt::NoButton,
            Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&window, &up);
        QCOMPARE(window.Brush().Radius(), radius + 1);
        QCOMPARE(window.Brush().Tip().radius, radius + 1);
        QCOMPARE(slider->value(), radius);
        QCOMPARE(window.Brush().Cursor().Radius(), BrushScreenRadius(radius + 1, window.View().scale));
        QVERIFY(slider->toolTip().startsWith(QString::number(radius + 1)));
        QWheelEvent down(QPointF(at), QPointF(window.mapToGlobal(at)), QPoint(), QPoint(0, -120), Qt::NoButton,
            Qt::NoModifier, Qt::NoScrollPhase, false);
        for (int k = 0; k < 200; ++k)
            QApplication::sendEvent(&window, &down);
        QCOMPARE(window.Brush().Radius(), slider->minimum() + 1);
        QVERIFY(WaitForEngine(window));
    }

    void theCircleFollowsThePointerAndLeavesNoTrace()
    {
        CSpeckwashDlg window;
        Script(window);
        CPanelBridge bridge(window);
        window.show();
        QVERIFY(OpenAndWait(window, textured));
        QVERIFY(WaitForEngine(window));
        QImage clean = Painted(window);
        const QPoint at = WindowPoint(window, 200, 150);
        SendMouse(window, QEvent::MouseMove, at, Qt::NoButton);
        CBrushCursor& circle = window.Brush().Cursor();
        QVERIFY(circle.Shown());
        const int r = circle.Radius();
        QImage shown = Painted(window);
        // The rim is inverted, the centre untouched.
        QVERIFY(r > 0);
        // The dotted rim is inverted; nothing else changed.
        int inverted = 0;
        for (int y = 0; y < clean.height(); ++y)
            for (int x = 0; x < clean.width(); ++x) {
                if (shown.pixel(x, y) == clean.pixel(x, y))
                    continue;
                QCOMPARE(shown.pixel(x, y) & 0xffffff, ~clean.pixel(x, y) & 0xffffff);
                const int dx = x - at.x(), dy = y - at.y();
                QVERIFY(dx * dx + dy * dy >= (r - 2) * (r - 2) && dx * dx + dy * dy <= (r + 2) * (r + 2));
                ++inverted;
            }
        QVERIFY(inverted > r);
        // A shift-press starts a pan and takes the circle away.
        SendMouse(window, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::ShiftModifier);
        QVERIFY(!circle.Shown());
        QVERIFY(!window.Brush().StrokeInProgress());
        SendMouse(window, QEvent::MouseButtonRelease, at, Qt::NoButton, Qt::ShiftModifier);
        QCOMPARE(Painted(window), clean);
    }
};

QTEST_MAIN(BrushStrokeTest)
#include "brush_stroke_test.moc"
