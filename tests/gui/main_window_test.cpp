// Drives the real main window: open, process, paint, zoom, pan, turn.
#include <QMouseEvent>
#include <QSlider>
#include <QTest>

#include "app/control_panel/control_panel_window.h"
#include "app/control_panel/panel_bridge.h"
#include "app/speckwash_app.h"
#include "app/main_window/main_window.h"
#include "engine/dust_engine.h"
#include "gui_test_support.h"
#include "view/rules/display_bitmap.h"

namespace {
const std::vector<std::pair<int, int>> kSpecks { { 40, 30 }, { 150, 100 }, { 250, 160 } };

QRgb PaintedAt(CSpeckwashDlg& window, int ix, int iy)
{
    ViewGeometry view = window.View();
    // The centre of the image pixel on screen.
    Point a = ImageToView(view, ix, iy);
    Point b = ImageToView(view, ix + 1, iy + 1);
    return Painted(window).pixel((a.x + b.x) / 2, (a.y + b.y) / 2);
}

QRgb SampleAt(const CImage& image, int x, int y)
{
    size_t i = static_cast<size_t>(y) * image.width + x;
    return qRgb(image.Plane8(0)[i], image.Plane8(1)[i], image.Plane8(2)[i]);
}
} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestFolder(); }
    void opensFromTheCommandLineAndCleansTheDust();
    void opensThroughTheOpenCommand();
    void onlyTheLatestOpenIsShownAndACloseCancelsOne();
    void beforeAndAfterPaintDifferentPixels();
    void zoomStepsAndTexts();
    void shiftDragPansTheView();
    void quarterTurnMapsAKnownPixel();
};

void MainWindowTest::opensFromTheCommandLineAndCleansTheDust()
{
    QString path = WritePicture(*DustyPicture(300, 200, kSpecks), "cmdline.bmp");
    CSpeckwashDlg window;
    auto script = Script(window);
    window.show();
    QVERIFY(window.StartPictureVisible());
    CSpeckwashApp::OpenAtStart(window, path);
    QTRY_VERIFY(window.Engine() != nullptr);
    QVERIFY(!window.StartPictureVisible());
    QCOMPARE(window.windowTitle(), QStringLiteral("Image View : ") + path);
    QVERIFY(WaitForEngine(window));
    const CImage& before = *window.CurrentImage();
    const CImage& after = *window.Engine()->WorkImage();
    for (auto [x, y] : kSpecks) {
        QVERIFY2(SampleAt(after, x, y) != SampleAt(before, x, y), "a speck was left in place");
        QVERIFY(qRed(SampleAt(after, x, y)) > 100); // filled from its surroundings
    }
    QCOMPARE(SampleAt(after, 100, 50), SampleAt(before, 100, 50)); // clean pixels untouched
    QVERIFY(script->asked.isEmpty());
}

void MainWindowTest::opensThroughTheOpenCommand()
{
    QString path = WritePicture(*DustyPicture(300, 200, kSpecks), "open.bmp");
    CSpeckwashDlg window;
    auto script = Script(window);
    window.show();
    script->openPaths << path;
    window.Open();
    QVERIFY(WaitForOpen(window));
    QVERIFY(window.Engine() != nullptr);
    QCOMPARE(window.Kind(), ImageRgb8);
    QCOMPARE(window.ImagePath(), path);
    QVERIFY(window.IsModified()); // an open counts as a change until saved
    QCOMPARE(window.ZoomText(), QStringLiteral("100%"));
    QVERIFY(!window.ZoomOutEnabled()); // the whole image fits
    QVERIFY(WaitForEngine(window));
}

// A file is read away from the window: while it is, the window takes no
// input; a later open replaces it, and a close or the window's end drops it.
void MainWindowTest::onlyTheLatestOpenIsShownAndACloseCancelsOne()
{
    const QString first = WritePicture(*DustyPicture(900, 700, kSpecks), "first.bmp");
    const QString second = WritePicture(*DustyPicture(300, 200, kSpecks), "second.bmp");
    CSpeckwashDlg window;
    auto script = Script(window);
    window.show();
    window.OpenFile(first);
    QVERIFY(window.Opening());
    QCOMPARE(window.cursor().shape(), Qt::WaitCursor);
    QVERIFY(OpenAndWait(window, second));
    QCOMPARE(window.ImagePath(), second);
    DustEngine* engine = window.Engine();
    // Whatever became of the first read, it is dropped unseen.
    window.WaitForOpenThreads();
    QCoreApplication::sendPostedEvents();
    QCOMPARE(window.ImagePath(), second);
    QCOMPARE(window.Engine(), engine);
    QCOMPARE(window.CurrentImage()->width, 300);
    QVERIFY(window.cursor().shape() != Qt::WaitCursor);
    QVERIFY(script->asked.isEmpty());

    window.OpenFile(first);
    QTest::keyClick(&window, Qt::Key_R); // would turn the image open now
    QCOMPARE(window.View().rotation, 0);
    // The open command gives up the read before its questions and dialog,
    // even when the dialog is then cancelled.
    window.Open();
    QVERIFY(!window.Opening());
    window.OpenFile(first);
    window.CloseImage();
    QVERIFY(!window.Opening());
    QVERIFY(window.cursor().shape() != Qt::WaitCursor);
    window.WaitForOpenThreads();
    QCoreApplication::sendPostedEvents();
    QVERIFY(!window.Session().HasImage());
    QVERIFY(window.Engine() == nullptr);
    QVERIFY(window.StartPictureVisible());
    QVERIFY(script->asked.isEmpty());

    // The panel's controls take no input meanwhile but stay in sight, and
    // are as they were once the open is refused.
    {
        CSpeckwashDlg withPanel;
        auto asked = Script(withPanel);
        CPanelBridge bridge(withPanel);
        QVERIFY(OpenAndWait(withPanel, second));
        QSlider* dustSize = bridge.Panel()->Slider(kIdDustSize);
        QVERIFY(dustSize->isEnabled());
        withPanel.OpenFile(QStringLiteral("/nonexistent/picture.bmp"));
        QVERIFY(!dustSize->isEnabled());
        QVERIFY(dustSize->isVisible());
        QVERIFY(bridge.Panel()->Control(kIdOpen)->isEnabled());
        QVERIFY(!WaitForOpen(withPanel));
        QCOMPARE(asked->asked, QStringList { QStringLiteral("Unable to read image file") });
        QVERIFY(dustSize->isEnabled());
        QCOMPARE(withPanel.ImagePath(), second);
    }

    // A window that ends while a file is read waits for the reader, which
    // hands nothing to the window that is gone.
    auto doomed = std::make_unique<CSpeckwashDlg>();
    Script(*doomed);
    doomed->OpenFile(first);
    doomed.reset();
    QCoreApplication::sendPostedEvents();
}

void MainWindowTest::beforeAndAfterPaintDifferentPixels()
{
    QString path = WritePicture(*DustyPicture(300, 200, kSpecks), "toggle.bmp");
    CSpeckwashDlg window;
    Script(window);
    window.show();
    QVERIFY(OpenAndWait(window, path));
    QVERIFY(WaitForEngine(window));
    const CImage& after = *window.Engine()->WorkImage();
    window.SetHighlight(false);
    window.SetViewAfter(true);
    QCOMPARE(PaintedAt(window, 150, 100), SampleAt(after, 150, 100));
    window.SetViewAfter(false);
    QCOMPARE(PaintedAt(window, 150, 100), qRgb(20, 20, 20)); // the speck as scanned
    QCOMPARE(PaintedAt(window, 100, 50), SampleAt(after, 100, 50));

    // Highlighted, the speck is tinted toward yellow by the strength found for it.
    window.SetHighlight(true);
    int strength = window.Engine()->DetectionMap()->Plane8(0)[100 * 300 + 150];
    QVERIFY(strength > 0);
    float alpha = static_cast<float>(strength) * 0.0021568628f;
    QRgb tinted = PaintedAt(window, 150, 100);
    QCOMPARE(qRed(tinted), static_cast<int>(TintChannel(20, alpha, true)));
    QCOMPARE(qGreen(tinted), static_cast<int>(TintChannel(20, alpha, true)));
    QCOMPARE(qBlue(tinted), static_cast<int>(TintChannel(20, alpha, false)));
    window.SetHighlightColour(2); // cyan: red falls instead of blue
    tinted = PaintedAt(window, 150, 100);
    QCOMPARE(qRed(tinted), static_cast<int>(TintChannel(20, alpha, false)));
    QCOMPARE(qBlue(tinted), static_cast<int>(TintChannel(20, alpha, true)));
    // Outside the image the window is grey.
    window.resize(400, 300);
    QCOMPARE(Painted(window).pixel(2, 2), qRgb(153, 153, 153));
}

void MainWindowTest::zoomStepsAndTexts()
{
    QString path = WritePicture(*DustyPicture(600, 400, {}), "zoom.bmp");
    CSpeckwashDlg window;
    Script(window);
    window.show();
    QVERIFY(OpenAndWait(window, path));
    window.resize(100, 80);
    QCOMPARE(window.View().visible.Width(), 100);
    QVERIFY(window.ZoomOutEnabled());
    const char* texts[] = { "50%", "25%", "13%" };
    for (const char* text : texts) {
        window.ZoomOut();
        QCOMPARE(window.ZoomText(), QString::fromLatin1(text));
    }
    // At 13 % the whole image fits: no further zoom out, and the window shows it all.
    QVERIFY(!window.ZoomOutEnabled());
    QCOMPARE(window.View().visible, (Rect { 0, 0, 600, 400 }));
    QCOMPARE(window.View().imageRect.Width(), 75);
    window.ZoomIn();
    QCOMPARE(window.ZoomText(), QStringLiteral("50%"));
    QCOMPARE(window.View().visible.Width(), 200);
    QCOMPARE(window.View().visible.Height(), 160);
    window.ZoomIn();
    window.ZoomIn();
    window.ZoomIn();
    QCOMPARE(window.ZoomText(), QStringLiteral("400%"));
    QVERIFY(!window.ZoomInEnabled());
    window.ZoomIn(); // disabled: nothing happens
    QCOMPARE(window.ZoomText(), QStringLiteral("400%"));
    QVERIFY(WaitForEngine(window));
    // Zoomed in, a speck-free pixel still paints as the image holds it.
    Point c { (window.View().visible.left + window.View().visible.right) / 2,
        (window.View().visible.top + window.View().visible.bottom) / 2 };
    window.SetHighlight(false);
    QCOMPARE(PaintedAt(window, c.x, c.y), SampleAt(*window.Engine()->WorkImage(), c.x, c.y));
}

void MainWindowTest::shiftDragPansTheView()
{
    QString path = WritePicture(*DustyPicture(600, 400, {}), "pan.bmp");
    CSpeckwashDlg window;
    Script(window);
    window.show();
    QVERIFY(OpenAndWait(window, path));
    window.resize(100, 80);
    QCOMPARE(window.View().visible, (Rect { 250, 160, 350, 240 }));
    auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent event(type, QPointF(at), QPointF(window.mapToGlobal(at)), button, buttons, Qt::ShiftModifier);
        QCoreApplication::sendEvent(&window, &event);
    };
    send(QEvent::MouseButtonPress, { 50, 40 }, Qt::LeftButton, Qt::LeftButton);
    QCOMPARE(window.cursor().shape(), Qt::BitmapCursor); // the closed hand
    send(QEvent::MouseMove, { 30, 30 }, Qt::NoButton, Qt::LeftButton);
    // Dragging the picture left and up shows what lies right and below.
    QCOMPARE(window.View().visible, (Rect { 270, 170, 370, 250 }));
    send(QEvent::MouseMove, { -500, -500 }, Qt::NoButton, Qt::LeftButton); // held to the image rectangle
    QCOMPARE(window.View().visible, (Rect { 300, 200, 400, 280 }));
    send(QEvent::MouseButtonRelease, { 0, 0 }, Qt::LeftButton, Qt::NoButton);
    send(QEvent::MouseMove, { 10, 10 }, Qt::NoButton, Qt::NoButton);
    QCOMPARE(window.View().visible, (Rect { 300, 200, 400, 280 }));
}

void MainWindowTest::quarterTurnMapsAKnownPixel()
{
    QString path = WritePicture(*DustyPicture(300, 200, kSpecks), "turn.bmp");
    CSpeckwashDlg window;
    Script(window);
    window.show();
    QVERIFY(OpenAndWait(window, path));
    window.resize(400, 400);
    window.SetViewAfter(false);
    window.SetHighlight(false);
    window.Rotate(1);
    QCOMPARE(window.View().rotation, 90);
    const ViewGeometry& view = window.View();
    QCOMPARE(view.imageRect.Width(), 200); // the picture stands on its side
    QCOMPARE(view.imageRect.Height(), 300);
    // Turned clockwise, the image's top-left pixel is at the top right.
    QImage shot = Painted(window);
    const CImage& image = *window.CurrentImage();
    QCOMPARE(shot.pixel(view.imageRect.right - 1, view.imageRect.top), SampleAt(image, 0, 0));
    QCOMPARE(shot.pixel(view.imageRect.left, view.imageRect.top), SampleAt(image, 0, 199));
    QCOMPARE(shot.pixel(view.imageRect.right - 1 - 100, view.imageRect.top + 150), qRgb(20, 20, 20));
    ViewGeometry copy = view;
    QCOMPARE(ImageToView(copy, 150, 100), (Point { view.imageRect.left + 100, view.imageRect.top + 150 }));
    window.Rotate(1);
    window.Rotate(1);
    QCOMPARE(window.View().rotation, -90);
    window.Rotate(1);
    QCOMPARE(window.View().rotation, 0);
    WaitForEngine(window);
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
