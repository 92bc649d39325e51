#include <QApplication>
#include <QComboBox>
#include <QMouseEvent>
#include <QPainter>
#include <QSlider>
#include <QTest>

#include "app/brush/brush_tool.h"
#include "app/control_panel/control_panel_window.h"
#include "app/control_panel/panel_bridge.h"
#include "app/main_window/context_menu.h"
#include "app/main_window/main_window.h"
#include "app/main_window/window_commands.h"
#include "gui_test_support.h"
#include "view/icon_button.h"
#include "workflow/dust_parameter_rules.h"

// The session across the seams: the main window, the control panel, the
// brush, the menu and the keys all see one set of values, and closing the
// image gives every one of them its start value back.
class EditSessionTest : public QObject {
    Q_OBJECT

    QString picture;

    static void Stroke(CSpeckwashDlg& window, QPoint from, QPoint to)
    {
        auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons) {
            QMouseEvent e(type, QPointF(at), QPointF(window.mapToGlobal(at)), button, buttons, Qt::NoModifier);
            QApplication::sendEvent(&window, &e);
        };
        send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        send(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    }

    static QPoint ImageCentre(const CSpeckwashDlg& window)
    {
        const Rect& r = window.View().imageRect;
        return { (r.left + r.right) / 2, (r.top + r.bottom) / 2 };
    }

private slots:
    void initTestCase()
    {
        TestFolder();
        auto image = DustyPicture(600, 400, { { 100, 100 }, { 300, 200 } });
        image->resolutionDpi = 2400; // a dust size far from the sliders' start value of 10
        picture = WritePicture(*image, "session.bmp");
    }

    void init()
    {
        ProgramResolutionMemory() = {};
        CSpeckwashDlg2::ResetProgramMemory();
    }

    void closingTheImageGivesEveryValueItsStartBack()
    {
        CSpeckwashDlg window;
        Script(window);
        CPanelBridge bridge(window);
        window.show();
        QVERIFY(OpenAndWait(window, picture));
        const BrushSettings fresh = window.Session().brush;
        const int freshHighlightColour = window.Session().highlightColour;

        bridge.Commands().Carry(kCmdRemoveTouchUp);
        QTest::mouseClick(bridge.Panel()->Button(kIdCyan), Qt::LeftButton);
        bridge.Panel()->Slider(kIdBrushSize)->setValue(fresh.radius + 6);
        QCOMPARE(window.Brush().Tool(), kBrushRemoveTool);
        QCOMPARE(window.Brush().Radius(), fresh.radius + 7);
        QVERIFY(WaitForEngine(window));

        window.CloseImage();
        QVERIFY(OpenAndWait(window, picture));
        CSpeckwashDlg2* panel = bridge.Panel();
        auto* list = qobject_cast<QComboBox*>(panel->Control(kIdBrushType));
        // The list, the menu and the brush that paints agree, on the start values.
        QCOMPARE(BrushToolForEntry(list->currentIndex()), kBrushAddTool);
        QCOMPARE(bridge.Commands().MenuState().brushTool, kTouchUpAddTool);
        QCOMPARE(window.Brush().Tool(), kBrushAddTool);
        QCOMPARE(window.Brush().Radius(), fresh.radius);
        QCOMPARE(panel->Slider(kIdBrushSize)->value(), fresh.radius - 1);
        QCOMPARE(window.Session().highlightColour, freshHighlightColour);
        QCOMPARE(panel->HighlightColour(), freshHighlightColour);
        Stroke(window, ImageCentre(window), ImageCentre(window) + QPoint(10, 0));
        QCOMPARE(window.Brush().Strokes().Last()->tool, kBrushAddTool);
        QVERIFY(WaitForEngine(window));
    }

    void theBrushPaintsWithTheManualDustSizeTheSliderShows()
    {
        CSpeckwashDlg window;
        Script(window);
        CPanelBridge bridge(window);
        window.show();
        QVERIFY(OpenAndWait(window, picture));
        QSlider* manual = bridge.Panel()->Slider(kIdManualDustSize);
        QVERIFY(manual->value() != 10);
        Stroke(window, ImageCentre(window), ImageCentre(window) + QPoint(8, 0));
        QCOMPARE(window.Brush().Strokes().Last()->manualDustSize, manual->value());

        manual->setValue(manual->value() / 2);
        bridge.Panel()->Button(kIdRestoreDefaults)->click();
        Stroke(window, ImageCentre(window), ImageCentre(window) + QPoint(0, 8));
        QCOMPARE(window.Brush().Strokes().Last()->manualDustSize, manual->value());
        QCOMPARE(window.Brush().Tip().radius, window.Brush().Radius());
        QVERIFY(WaitForEngine(window));
    }

    void rotateKeysAndButtonsTurnOneRotation()
    {
        CSpeckwashDlg window;
        Script(window);
        CPanelBridge bridge(window);
        window.show();
        QVERIFY(OpenAndWait(window, picture));
        CSpeckwashDlg2* panel = bridge.Panel();
        QTest::keyClick(&window, Qt::Key_R);
        QCOMPARE(window.View().rotation, 90);
        QCOMPARE(panel->Rotation(), 90); // the navigator draws through this
        QTest::mouseClick(panel->Button(kIdRotateRight), Qt::LeftButton);
        QCOMPARE(window.View().rotation, 180);
        QTest::keyClick(&window, Qt::Key_R, Qt::ShiftModifier);
        QCOMPARE(window.View().rotation, 90);
        QTest::mouseClick(panel->Button(kIdRotateLeft), Qt::LeftButton);
        QCOMPARE(window.View().rotation, 0);
        QCOMPARE(panel->Rotation(), 0);
        QVERIFY(WaitForEngine(window));
    }

    void aPictureOverTheImageLeavesTheImageUnpainted()
    {
        CSpeckwashDlg window;
        Script(window);
        CPanelBridge bridge(window);
        window.show();
        QVERIFY(OpenAndWait(window, picture));
        QVERIFY(WaitForEngine(window));
        bridge.ShowPicture(151); // the help button's picture
        // Paint the image area over a marker colour, the picture itself left
        // out: a finished tile under the picture must not turn grey.
        const Rect& r = window.View().imageRect;
        QImage canvas(window.size(), QImage::Format_RGB32);
        canvas.fill(qRgb(255, 0, 0));
        window.render(&canvas, QPoint(), QRegion(r.left, r.top, r.Width(), r.Height()), QWidget::RenderFlags());
        const QPoint inside(r.right - 2, r.bottom - 2);
        QCOMPARE(canvas.pixel(inside), qRgb(255, 0, 0));
        bridge.HidePicture();
    }

    void openAfterAYesWhoseSaveIsCancelledKeepsTheEdits()
    {
        CSpeckwashDlg window;
        auto script = Script(window);
        CPanelBridge bridge(window);
        window.show();
        QVERIFY(OpenAndWait(window, picture));
        Stroke(window, ImageCentre(window), ImageCentre(window) + QPoint(8, 0));
        QVERIFY(window.IsModified());
        script->answers = { PromptYes };
        script->openPaths = { picture };
        script->savePath.clear(); // the save dialog is cancelled
        window.Open();
        QCOMPARE(script->openPaths.size(), 1); // the open dialog never came
        QVERIFY(!window.Opening());
        QVERIFY(window.IsModified());
        QCOMPARE(window.Brush().Strokes().Count(), 1);
        QVERIFY(WaitForEngine(window));
    }
};

QTEST_MAIN(EditSessionTest)
#include "edit_session_test.moc"
