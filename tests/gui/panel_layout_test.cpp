#include <QCheckBox>
#include <QComboBox>
#include <QSlider>
#include <QTest>
#include <set>

#include "app/control_panel/control_panel_window.h"
#include "fake_panel_host.h"
#include "view/icon_button.h"
#include "view/navigator.h"
#include "view/resource_pictures.h"

// The panel as laid out from its table: pixel geometry for a known font
// metric, what is shown and enabled before and after an image opens, the
// texts, and the faces and icons of the buttons.
class PanelLayoutTest : public QObject {
    Q_OBJECT

    static constexpr DialogBaseUnits kBase { 6, 13 };

    static QRect Geometry(const CSpeckwashDlg2& panel, int id) { return panel.Control(id)->geometry(); }

private slots:
    void controlsArePlacedInPixelsFromDialogUnits()
    {
        FakePanelHost host;
        CSpeckwashDlg2 panel(host, nullptr, kBase);
        QCOMPARE(panel.size(), QSize(327, 613)); // 218 × 6 / 4, 377 × 13 / 8 rounded
        QCOMPARE(Geometry(panel, kIdOpen), QRect(17, 21, 110, 37));
        QCOMPARE(Geometry(panel, kIdSave), QRect(192, 21, 110, 39));
        QCOMPARE(Geometry(panel, kIdAutomaticGroup), QRect(8, 63, 309, 156));
        QCOMPARE(Geometry(panel, kIdDustSize), QRect(114, 125, 203, 34));
        QCOMPARE(Geometry(panel, kIdYellow), QRect(20, 471, 14, 15));
        QCOMPARE(Geometry(panel, kIdMagenta), QRect(80, 470, 15, 16));
        QCOMPARE(Geometry(panel, kIdCloseAll), QRect(104, 546, 119, 34));
        // A closed drop-down keeps its place and width; its height is one line.
        const QRect list = Geometry(panel, kIdImageType);
        QCOMPARE(list.topLeft(), QPoint(114, 101));
        QCOMPARE(list.width(), 197);
        // The navigator: the largest square centred in the frame 116, 327, 189 × 167.
        QCOMPARE(Geometry(panel, kIdNavigatorFrame), QRect(116, 327, 189, 167));
        QCOMPARE(panel.Navigator()->Area(), (Rect { 127, 327, 294, 494 }));
        QCOMPARE(panel.Navigator()->geometry(), QRect(127, 327, 167, 167));
    }

    void onlyTheWorkflowButtonsShowBeforeAnOpen()
    {
        FakePanelHost host;
        CSpeckwashDlg2 panel(host, nullptr, kBase);
        const std::set<int> shown { kIdOpen, kIdHelp, kIdCloseAll, kIdMaker };
        for (const PanelControl& c : PanelControls()) {
            QWidget* w = panel.Control(c.id);
            QCOMPARE(!w->isHidden(), shown.count(c.id) == 1);
            QCOMPARE(w->isEnabled(), shown.count(c.id) == 1 || c.id == kIdAggression);
        }
    }

    void anOpenShowsTheImageControlsWithUndoDisabled()
    {
        FakePanelHost host;
        CSpeckwashDlg2 panel(host, nullptr, kBase);
        panel.ImageControlsEnabled(true);
        std::set<int> image(ImageControlIds().begin(), ImageControlIds().end());
        QCOMPARE(image.size(), size_t { 32 });
        for (const PanelControl& c : PanelControls()) {
            QWidget* w = panel.Control(c.id);
            if (image.count(c.id)) {
                QVERIFY2(!w->isHidden() && w->isEnabled(), qPrintable(QString::number(c.id)));
            }
        }
        QVERIFY(!panel.Control(kIdUndo)->isHidden());
        QVERIFY(!panel.Control(kIdUndo)->isEnabled());
        QVERIFY(panel.Control(kIdNavigatorFrame)->isHidden());
        QVERIFY(panel.Control(kIdNavigatorFrame)->isEnabled());
        QVERIFY(panel.Control(kIdProgress)->isHidden()); // left to the progress display
        panel.SetUndoEnabled(true);
        QVERIFY(panel.Control(kIdUndo)->isEnabled());
        panel.ImageControlsEnabled(false);
        QVERIFY(panel.Control(kIdSave)->isHidden());
        QVERIFY(!panel.Control(kIdSave)->isEnabled());
    }

    void textsListsTipsAndCaption()
    {
        FakePanelHost host;
        CSpeckwashDlg2 panel(host, nullptr, kBase);
        QCOMPARE(panel.windowTitle(), QStringLiteral("Speckwash 1.0.2 - Control Panel"));
        QCOMPARE(panel.Control(kIdUndo)->toolTip(),
            QStringLiteral("Undo the last brush stroke.  Repeat for earlier brush strokes"));
        QCOMPARE(panel.Control(kIdCyan)->toolTip(), QStringLiteral("Changes Highlights to cyan"));
        QCOMPARE(panel.Navigator()->toolTip(), QStringLiteral("Left click and drag the red navigation box to pan"));
        auto* types = qobject_cast<QComboBox*>(panel.Control(kIdImageType));
        QCOMPARE(types->count(), 4);
        QCOMPARE(types->itemText(0), QStringLiteral("Unknown - Default Scanned Print (B&W Dust)"));
        QCOMPARE(types->itemText(3), QStringLiteral("Scanned Slide (Black Dust)"));
        auto* brushes = qobject_cast<QComboBox*>(panel.Control(kIdBrushType));
        QCOMPARE(brushes->currentText(), QStringLiteral("Add Touch Up"));
        QCOMPARE(qobject_cast<QSlider*>(panel.Control(kIdDustSize))->tickPosition(), QSlider::TicksBelow);
        QCOMPARE(qobject_cast<QSlider*>(panel.Control(kIdDustAmount))->tickPosition(), QSlider::NoTicks);

        panel.ZoomChanged(QStringLiteral("400%"), false, true);
        QVERIFY(!panel.Control(kIdZoomIn)->isEnabled());
        QVERIFY(panel.Control(kIdZoomOut)->isEnabled());
        QCOMPARE(panel.Control(kIdZoomIn)->toolTip(),
            QStringLiteral("400% : Click to zoom in to see more detail of the image"));
        QCOMPARE(panel.Control(kIdZoomOut)->toolTip(), QStringLiteral("400% : Click to zoom out to see more of the image"));

        FakePanelHost unversioned;
        unversioned.versionReadable = false;
        CSpeckwashDlg2 plain(unversioned, nullptr, kBase);
        QCOMPARE(plain.windowTitle(), QString());
    }

    void buttonsGetTintedFacesAndTheirIcons()
    {
        FakePanelHost host;
        host.viewAfter = false;
        host.highlightOn = true;
        CSpeckwashDlg2 panel(host, nullptr, kBase);
        auto mid = [&](int id) { return panel.Button(id)->NormalFace().GetPaletteEntry(128); };
        const QColor face = panel.Button(kIdOpen)->palette().color(QPalette::Button);
        QCOMPARE(int(mid(kIdOpen).blue), (255 * 20 + face.blue() * 80) / 100);
        QCOMPARE(int(mid(kIdRestoreDefaults).red), (200 * 20 + face.red() * 80) / 100);
        QCOMPARE(int(mid(kIdYellow).blue), (0 * 20 + face.blue() * 80) / 100);
        QCOMPARE(int(mid(kIdMagenta).green), (0 * 20 + face.green() * 80) / 100);
        QCOMPARE(int(mid(kIdCyan).red), (0 * 20 + face.red() * 80) / 100);
        QCOMPARE(panel.Button(kIdOpen)->NormalFace().Width(), 110);

        QCOMPARE(panel.Button(kIdZoomIn)->NormalIcon(), LoadIconResource(155).convertToFormat(QImage::Format_ARGB32));
        QCOMPARE(panel.Button(kIdZoomIn)->SecondIconImage(), CIconButton::DarkerCopy(LoadIconResource(155)));
        QVERIFY(panel.Button(kIdRestoreDefaults)->NormalIcon().isNull());
        QVERIFY(panel.Button(kIdCyan)->NormalIcon().isNull());
        // The toggles start from the owner's state, disabled.
        QCOMPARE(panel.Button(kIdBeforeAfter)->text(), QStringLiteral("Before"));
        QCOMPARE(panel.Button(kIdBeforeAfter)->NormalIcon(), LoadIconResource(172).convertToFormat(QImage::Format_ARGB32));
        QCOMPARE(panel.Button(kIdHighlights)->text(), QStringLiteral("On"));
        QCOMPARE(panel.Button(kIdHighlights)->NormalIcon(), LoadIconResource(146).convertToFormat(QImage::Format_ARGB32));
        QVERIFY(!panel.Button(kIdBeforeAfter)->isEnabled());
        // Every icon the panel names exists and is drawn at a readable size.
        for (int id : { 138, 145, 146, 154, 155, 156, 158, 159, 167, 168, 170, 171, 172, 174, 175, 176, 177 }) {
            const QImage icon = LoadIconResource(id);
            QVERIFY2(icon.width() >= 24 && icon.height() >= 24, qPrintable(QString::number(id)));
        }
        QVERIFY(!LoadBitmapResource(151).isNull());
        QVERIFY(!LoadBitmapResource(175).isNull());
    }
};

QTEST_MAIN(PanelLayoutTest)
#include "panel_layout_test.moc"
