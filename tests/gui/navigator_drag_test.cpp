#include <QTest>

#include "app/control_panel/control_panel_window.h"
#include "fake_panel_host.h"
#include "view/icon_button.h"
#include "view/navigator.h"

// Dragging the red box of the navigator pans the owner's view; the box never
// leaves the thumbnail and the view never leaves the image.
class NavigatorDragTest : public QObject {
    Q_OBJECT

    static constexpr DialogBaseUnits kBase { 6, 13 };

    // An 800 × 600 image seen 400 × 300 at a time, from its top-left.
    struct Opened {
        FakePanelHost host;
        CSpeckwashDlg2 panel { host, nullptr, kBase };
        CNavigator* nav = panel.Navigator();
        Opened()
        {
            const Rect area = nav->Area();
            host.OpenImage(800, 600, std::min(area.Width() / 800.0f, area.Height() / 600.0f), { 0, 0, 400, 300 });
            panel.ImageControlsEnabled(true);
            panel.show();
        }
        // A point of the panel in the navigator's own coordinates.
        QPoint Local(int x, int y) const { return QPoint(x - nav->Area().left, y - nav->Area().top); }
    };

private slots:
    void dragPastTheThumbnailEdgeStopsTheViewAtTheImageEdge()
    {
        Opened o;
        const Rect thumb = o.nav->ThumbnailRect();
        QCOMPARE(thumb.Width(), 167); // 800 × 0.20875
        QCOMPARE(thumb.Height(), 125);
        const QPoint start = o.Local((thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2);
        QTest::mousePress(o.nav, Qt::LeftButton, {}, start);
        QVERIFY(o.nav->Dragging());
        QTest::mouseMove(o.nav, start + QPoint(400, 300));
        QCOMPARE(o.host.visible, (Rect { 400, 300, 800, 600 }));
        const Rect box = o.nav->Box();
        QVERIFY(box.right <= thumb.right && box.bottom <= thumb.bottom);
        QTest::mouseMove(o.nav, start - QPoint(400, 300));
        QCOMPARE(o.host.visible, (Rect { 0, 0, 400, 300 }));
        QVERIFY(o.nav->Box().left >= thumb.left && o.nav->Box().top >= thumb.top);
        QTest::mouseRelease(o.nav, Qt::LeftButton, {}, start);
        QVERIFY(!o.nav->Dragging());
        const int pans = o.host.pans;
        QTest::mouseMove(o.nav, start + QPoint(10, 10));
        QCOMPARE(o.host.pans, pans); // no drag, no pan
    }

    void aDragCentresTheViewOnThePointUnderTheMouse()
    {
        Opened o;
        const Rect thumb = o.nav->ThumbnailRect();
        QTest::mousePress(o.nav, Qt::LeftButton, {}, o.Local(thumb.left + 10, thumb.top + 10));
        // 83 navigator pixels right of the thumbnail's corner: image x 397.
        QTest::mouseMove(o.nav, o.Local(thumb.left + 83, thumb.top + 62));
        QCOMPARE(o.host.visible, (Rect { 197, 147, 597, 447 }));
        QTest::mouseRelease(o.nav, Qt::LeftButton, {}, o.Local(thumb.left + 83, thumb.top + 62));
    }

    void aPressOutsideTheThumbnailOrWithoutAnEngineStartsNothing()
    {
        Opened o;
        const Rect thumb = o.nav->ThumbnailRect();
        QTest::mousePress(o.nav, Qt::LeftButton, {}, o.Local(thumb.left + 5, thumb.top - 5));
        QVERIFY(!o.nav->Dragging());
        QTest::mouseRelease(o.nav, Qt::LeftButton, {}, o.Local(thumb.left + 5, thumb.top - 5));
        o.host.engine = false;
        QTest::mousePress(o.nav, Qt::LeftButton, {}, o.Local(thumb.left + 5, thumb.top + 5));
        QVERIFY(!o.nav->Dragging());
        QCOMPARE(o.host.pans, 0);
    }

    void aQuarterTurnSwapsTheThumbnailAndTheBox()
    {
        Opened o;
        QTest::mouseClick(o.panel.Button(kIdRotateRight), Qt::LeftButton);
        const Rect thumb = o.nav->ThumbnailRect();
        QCOMPARE(thumb.Width(), 125);
        QCOMPARE(thumb.Height(), 167);
        const Rect box = o.nav->Box();
        // The box is as wide as the visible region is high: 300 × s ≈ 62.
        QVERIFY(std::abs(box.Width() - 62) <= 2);
        QVERIFY(std::abs(box.Height() - 83) <= 2);
        // Turned clockwise, the image's top-left corner is at the top-right.
        QVERIFY(box.right <= thumb.right && box.right > thumb.right - 4);
        QVERIFY(box.top >= thumb.top && box.top < thumb.top + 4);
    }

    void thePaintShowsTheRedBoxOverTheThumbnail()
    {
        Opened o;
        const QImage shot = o.nav->grab().toImage();
        const Rect box = o.nav->Box();
        const QPoint edge = o.Local(box.left, (box.top + box.bottom) / 2);
        QCOMPARE(QColor(shot.pixel(edge)), QColor(255, 0, 0));
        const QPoint inside = o.Local((box.left + box.right) / 2, (box.top + box.bottom) / 2);
        QCOMPARE(QColor(shot.pixel(inside)), QColor(90, 120, 160));
    }
};

QTEST_MAIN(NavigatorDragTest)
#include "navigator_drag_test.moc"
