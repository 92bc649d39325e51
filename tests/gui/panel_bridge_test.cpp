#include <cstdlib>

#include <QPointer>
#include <QScreen>
#include <QSlider>
#include <QTest>

#include "app/control_panel/panel_bridge.h"
#include "app/main_window/main_window.h"
#include "app/control_panel/control_panel_window.h"
#include "view/qt_rect.h"
#include "view/rules/placement.h"
#include "gui_test_support.h"
#include "view/icon_button.h"
#include "view/navigator.h"
#include "workflow/dust_parameter_rules.h"

// The panel beside the real main window: an open reaches the panel's
// controls, and the panel's buttons and navigator steer the window's view.
class PanelBridgeTest : public QObject {
    Q_OBJECT

    QString picture;

private slots:
    void initTestCase()
    {
        TestFolder();
        auto image = DustyPicture(600, 400, { { 100, 100 }, { 300, 200 } });
        image->resolutionDpi = 300;
        picture = WritePicture(*image, "bridge.bmp");
    }

    void init()
    {
        ProgramResolutionMemory() = {};
        CSpeckwashDlg2::ResetProgramMemory();
    }

    void anOpenShowsTheImageControlsAndTheParameters()
    {
        CSpeckwashDlg window;
        Script(window);
        CPanelBridge bridge(window);
        CSpeckwashDlg2& panel = *bridge.Panel();
        QVERIFY(panel.Control(kIdSave)->isHidden());
        window.show();
        QVERIFY(OpenAndWait(window, picture));
        QVERIFY(!panel.Control(kIdSave)->isHidden());
        QVERIFY(panel.Control(kIdSave)->isEnabled());
        const int radius = window.Params().dustRadius;
        QCOMPARE(panel.Slider(kIdDustSize)->value(), radius);
        QCOMPARE(panel.Slider(kIdDustSize)->maximum(), 5 * radius);
        QCOMPARE(panel.Slider(kIdAggression)->value(), int(window.Params().aggression));
        // The thumbnail was made for the panel's navigator.
        QVERIFY(bridge.Thumbnail() != nullptr);
        QVERIFY(bridge.Thumbnail()->width <= panel.Navigator()->Area().Width());
        QVERIFY(WaitForEngine(window));
    }

    void rotationAndBeforeAfterReachTheWindow()
    {
        CSpeckwashDlg window;
        Script(window);
        CPanelBridge bridge(window);
        CSpeckwashDlg2& panel = *bridge.Panel();
        window.show();
        QVERIFY(OpenAndWait(window, picture));
        QTest::mouseClick(panel.Button(kIdRotateRight), Qt::LeftButton);
        QCOMPARE(window.View().rotation, 90);
        QTest::mouseClick(panel.Button(kIdRotateLeft), Qt::LeftButton);
        QTest::mouseClick(panel.Button(kIdRotateLeft), Qt::LeftButton);
        QCOMPARE(window.View().rotation, -90);
        CIconButton* toggle = panel.Button(kIdBeforeAfter);
        const bool after = window.ViewAfter();
        emit toggle->HoverEntered(kIdBeforeAfter);
        QCOMPARE(window.ViewAfter(), !after);
        emit toggle->HoverLeft(kIdBeforeAfter);
        QCOMPARE(window.ViewAfter(), after);
        QVERIFY(WaitForEngine(window));
    }

    // Closing the image from the panel's own close box replaces the panel:
    // the old one goes once its handler has returned, the new one starts
    // with nothing of the closed image and serves the next open.
    void closingTheImageReplacesThePanel()
    {
        CSpeckwashDlg window;
        auto script = Script(window);
        CPanelBridge bridge(window);
        window.show();
        // Where the placement rule puts a panel that starts centred over the
        // window, not left centred over it by Qt. Frames are not known before
        // the windows are first shown, so the rule saw inner sizes: allow
        // for a frame's width.
        auto besideTheWindow = [&](QWidget* panel) {
            const QRect w = window.frameGeometry();
            QRect centred(QPoint(0, 0), panel->size());
            centred.moveCenter(w.center());
            Rect expected;
            const QRect area = window.screen()->availableGeometry();
            if (!PlacePanelBeside(ToRect(centred), ToRect(w), ToRect(area), expected))
                return false;
            const QPoint off = panel->frameGeometry().topLeft() - QPoint(expected.left, expected.top);
            return std::abs(off.x()) <= 8 && std::abs(off.y()) <= 8;
        };
        QVERIFY(besideTheWindow(bridge.Panel()));
        QVERIFY(OpenAndWait(window, picture));
        QPointer<CSpeckwashDlg2> old = bridge.Panel();
        QTest::mouseClick(old->Button(kIdRotateRight), Qt::LeftButton);
        QVERIFY(WaitForEngine(window));
        old->close(); // unmodified: "close Speckwash?" No closes the image
        QCOMPARE(script->asked.size(), 1);
        QVERIFY(window.isVisible());
        QVERIFY(window.CurrentImage() == nullptr);
        CSpeckwashDlg2* fresh = bridge.Panel();
        QVERIFY(fresh != old.data());
        QVERIFY(old);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!old);
        QVERIFY(fresh->isVisible());
        QVERIFY(besideTheWindow(fresh));
        QVERIFY(fresh->Control(kIdSave)->isHidden());
        QCOMPARE(window.View().rotation, 0);

        QVERIFY(OpenAndWait(window, picture));
        QVERIFY(!fresh->Control(kIdSave)->isHidden());
        QCOMPARE(fresh->Slider(kIdDustSize)->value(), int(window.Params().dustRadius));
        QTest::mouseClick(fresh->Button(kIdRotateRight), Qt::LeftButton);
        QCOMPARE(window.View().rotation, 90);
        QVERIFY(WaitForEngine(window));
    }

    void draggingTheNavigatorBoxPansTheWindowToTheImageEdge()
    {
        CSpeckwashDlg window;
        Script(window);
        CPanelBridge bridge(window);
        CSpeckwashDlg2& panel = *bridge.Panel();
        window.show();
        QVERIFY(OpenAndWait(window, picture));
        window.ZoomIn();
        window.ZoomIn();
        const Rect before = window.View().visible;
        QVERIFY(before.Width() < 600);
        CNavigator* nav = panel.Navigator();
        const Rect thumb = nav->ThumbnailRect();
        const QPoint centre((thumb.left + thumb.right) / 2 - nav->Area().left,
            (thumb.top + thumb.bottom) / 2 - nav->Area().top);
        QTest::mousePress(nav, Qt::LeftButton, {}, centre);
        QTest::mouseMove(nav, centre + QPoint(500, 500));
        QTest::mouseRelease(nav, Qt::LeftButton, {}, centre + QPoint(500, 500));
        const Rect after = window.View().visible;
        QCOMPARE(after.right, 600);
        QCOMPARE(after.bottom, 400);
        QCOMPARE(after.Width(), before.Width());
        QVERIFY(WaitForEngine(window));
    }
};

QTEST_MAIN(PanelBridgeTest)
#include "panel_bridge_test.moc"
