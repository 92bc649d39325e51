#include <QCheckBox>
#include <QComboBox>
#include <QSlider>
#include <QTest>

#include "app/control_panel/control_panel_window.h"
#include "fake_panel_host.h"
#include "view/icon_button.h"
#include "view/resource_pictures.h"
#include "workflow/dust_parameter_rules.h"

// The panel's handlers: parameters from resolution, the sliders and what
// they persist, image type, rotation, the hover previews, highlight colour,
// help picture and closing.
class PanelParametersTest : public QObject {
    Q_OBJECT

    static constexpr DialogBaseUnits kBase { 6, 13 };

    // A panel after an open, as the main window leaves it.
    struct Opened {
        FakePanelHost host;
        CSpeckwashDlg2 panel { host, nullptr, kBase };
        Opened(int dpi, int dustType)
        {
            host.image = host.engine = true;
            host.resolution = dpi;
            host.params.dustType = static_cast<uint8_t>(dustType);
            host.params.automation = 1; // an open switches correction on
            panel.SetStartControls(true, 16);
            panel.ImageControlsEnabled(true);
        }
    };

    static QImage Icon(int id) { return LoadIconResource(id).convertToFormat(QImage::Format_ARGB32); }

    static void Enter(CIconButton* b) { emit b->HoverEntered(b->ControlId()); }
    static void Leave(CIconButton* b) { emit b->HoverLeft(b->ControlId()); }

private slots:
    void init()
    {
        ProgramResolutionMemory() = {};
        CSpeckwashDlg2::ResetProgramMemory();
    }

    void threeHundredDpiWithBothDustTypesSetsTheSliders()
    {
        Opened o(300, 2);
        o.panel.ApplyParametersFromResolution();
        QSlider* size = o.panel.Slider(kIdDustSize);
        QCOMPARE(size->value(), 10);
        QCOMPARE(size->minimum(), 0);
        QCOMPARE(size->maximum(), 50);
        QCOMPARE(size->tickInterval(), 10);
        QCOMPARE(o.panel.Slider(kIdManualDustSize)->maximum(), 50);
        QCOMPARE(o.panel.Slider(kIdDustAmount)->value(), 5);
        QCOMPARE(o.panel.Slider(kIdAggression)->value(), 23);
        QVERIFY(qobject_cast<QCheckBox*>(o.panel.Control(kIdActive))->isChecked());
        QCOMPARE(o.host.stored["DustRadius"], 10);
        QCOMPARE(o.host.stored["DustThreshold"], 5);
        QCOMPARE(o.host.stored["AggressionRadius"], 23);
        QCOMPARE(o.host.stored["DustType"], 2);
        QCOMPARE(o.host.stored["DustAutomation"], 1);
        QCOMPARE(o.host.queued, std::vector<int> { 1 });
        QCOMPARE(o.panel.Control(kIdDustSize)->toolTip(),
            QStringLiteral("10 : Change the size of the dust to automatically detect"));
    }

    void highResolutionHoldsAggressionAtFive()
    {
        Opened o(4800, 2);
        o.panel.ApplyParametersFromResolution();
        QCOMPARE(o.panel.Slider(kIdAggression)->value(), 5);
        QCOMPARE(int(o.host.params.aggression), 5);
        QCOMPARE(o.panel.Slider(kIdDustSize)->value(), 160);
        QCOMPARE(o.panel.Slider(kIdDustSize)->maximum(), 800);
    }

    void aCameraPictureGetsDarkDustWhateverTheListShows()
    {
        Opened o(300, 2);
        o.host.fromCamera = true;
        o.host.params.automation = 0;
        o.panel.ApplyParametersFromResolution();
        QCOMPARE(int(o.host.params.dustType), 0);
        QCOMPARE(int(o.host.params.automation), 1);
        QCOMPARE(qobject_cast<QComboBox*>(o.panel.Control(kIdImageType))->currentIndex(), 0);
        QCOMPARE(o.host.stored["DustType"], 0);
    }

    void eachAutomaticSliderPersistsItselfAndTheOnesAfterIt()
    {
        Opened o(300, 2);
        o.panel.ApplyParametersFromResolution();
        o.host.writes.clear();
        o.host.queued.clear();
        o.panel.Slider(kIdAggression)->setValue(30);
        QCOMPARE(o.host.writes, std::vector<std::string> { "AggressionRadius" });
        QCOMPARE(o.host.stored["AggressionRadius"], 30);
        QCOMPARE(int(o.host.params.aggression), 30);
        QCOMPARE(o.host.queued, std::vector<int> { -1 });

        o.host.writes.clear();
        o.panel.Slider(kIdDustAmount)->setValue(12);
        QCOMPARE(o.host.writes, (std::vector<std::string> { "DustThreshold", "AggressionRadius" }));
        QCOMPARE(o.host.stored["DustThreshold"], 12);
        QCOMPARE(int(o.host.params.dustThreshold), 12);

        o.host.writes.clear();
        o.panel.Slider(kIdDustSize)->setValue(17);
        QCOMPARE(o.host.writes, (std::vector<std::string> { "DustRadius", "DustThreshold", "AggressionRadius" }));
        QCOMPARE(o.host.stored["DustRadius"], 17);
        QCOMPARE(int(o.host.params.dustRadius), 17);
        QCOMPARE(o.host.queued, (std::vector<int> { -1, -1, -1 }));
        QCOMPARE(o.panel.Control(kIdAggression)->toolTip(),
            QStringLiteral("30 : Change the level of aggression in finding dust among image detail"));
    }

    void brushSlidersSetTheBrushWithoutPersisting()
    {
        Opened o(300, 2);
        o.host.scale = 2.0f;
        o.host.writes.clear();
        o.panel.Slider(kIdBrushSize)->setValue(9);
        QCOMPARE(o.panel.BrushRadius(), 10);
        QCOMPARE(o.host.brushCursorRadius, 5); // 10 image pixels at 50 %
        QCOMPARE(o.host.brushSetUp.radius, 10);
        QCOMPARE(o.panel.Control(kIdBrushSize)->toolTip(), QStringLiteral("10 : Change the brush tip size"));
        o.panel.Slider(kIdManualDustSize)->setValue(25);
        QCOMPARE(int(o.host.params.brushDustSize), 25);
        QCOMPARE(o.host.brushSetUp.manualDustSize, 25);
        QVERIFY(o.host.writes.empty());
        QVERIFY(o.host.queued.empty());
    }

    void aSliderBeyondAByteStopsAt255()
    {
        Opened o(300, 2);
        o.panel.Slider(kIdDustSize)->setRange(0, 1275);
        o.panel.Slider(kIdDustSize)->setValue(300);
        QCOMPARE(int(o.host.params.dustRadius), 255);
        QCOMPARE(o.host.stored["DustRadius"], 255);
    }

    void imageTypeSetsDustTypeOnlyWhenItChanges()
    {
        Opened o(300, 2);
        auto* list = qobject_cast<QComboBox*>(o.panel.Control(kIdImageType));
        emit list->activated(2);
        QCOMPARE(int(o.host.params.dustType), 1);
        QCOMPARE(o.host.stored["DustType"], 1);
        emit list->activated(3);
        QCOMPARE(int(o.host.params.dustType), 0);
        emit list->activated(0);
        QCOMPARE(int(o.host.params.dustType), 2);
        o.host.writes.clear();
        o.host.queued.clear();
        emit list->activated(1); // another entry, the same dust type
        QCOMPARE(int(o.host.params.dustType), 2);
        QVERIFY(o.host.writes.empty());
        QVERIFY(o.host.queued.empty());
    }

    void brushTypeChoosesTheTool()
    {
        Opened o(300, 2);
        auto* list = qobject_cast<QComboBox*>(o.panel.Control(kIdBrushType));
        emit list->activated(1);
        QCOMPARE(o.host.brushTool, 411);
        QCOMPARE(o.host.brushSetUp.tool, 411);
        emit list->activated(0);
        QCOMPARE(o.host.brushTool, 412);
    }

    void switchingAutomaticCorrectionOffDisablesItsControls()
    {
        Opened o(300, 2);
        o.panel.show();
        o.panel.ApplyParametersFromResolution();
        QTest::mouseClick(o.panel.Control(kIdActive), Qt::LeftButton);
        QCOMPARE(int(o.host.params.automation), 0);
        for (int id : { kIdDustAmount, kIdDustSize, kIdImageType, kIdAggression, kIdAggressionLabel })
            QVERIFY(!o.panel.Control(id)->isEnabled());
        QVERIFY(o.panel.Control(kIdProgress)->isHidden());
        QVERIFY(!o.panel.Control(kIdRestoreDefaults)->isHidden());
        QVERIFY(o.panel.Control(kIdRestoreDefaults)->isEnabled()); // it was on before
        QCOMPARE(o.host.stored["DustAutomation"], 1);
        QTest::mouseClick(o.panel.Control(kIdActive), Qt::LeftButton);
        QCOMPARE(int(o.host.params.automation), 1);
        QVERIFY(o.panel.Control(kIdDustSize)->isEnabled());
        QVERIFY(o.panel.Control(kIdRestoreDefaults)->isHidden());
        QVERIFY(!o.panel.Control(kIdProgress)->isHidden());
    }

    void rotationCyclesBothWays()
    {
        Opened o(300, 2);
        for (int i = 0; i < 5; ++i)
            QTest::mouseClick(o.panel.Button(kIdRotateRight), Qt::LeftButton);
        QCOMPARE(o.panel.Rotation(), 90);
        QCOMPARE(o.host.rotation, 90);
        const int expected[] = { 0, -90, 180, 90, 0 };
        for (int want : expected) {
            QTest::mouseClick(o.panel.Button(kIdRotateLeft), Qt::LeftButton);
            QCOMPARE(o.panel.Rotation(), want);
        }
    }

    void passingOverAfterPreviewsBeforeAndAClickKeepsIt()
    {
        Opened o(300, 2);
        CIconButton* toggle = o.panel.Button(kIdBeforeAfter);
        Enter(toggle);
        QVERIFY(!o.host.viewAfter);
        QCOMPARE(toggle->text(), QStringLiteral("Before"));
        QCOMPARE(toggle->NormalIcon(), Icon(172));
        Leave(toggle);
        QVERIFY(o.host.viewAfter);
        QCOMPARE(toggle->text(), QStringLiteral("After"));
        QCOMPARE(o.host.stored["View"], 1);

        Enter(toggle);
        QTest::mouseClick(toggle, Qt::LeftButton);
        QVERIFY(o.panel.ClickedWhileHovered());
        QVERIFY(!o.host.viewAfter);
        Leave(toggle);
        QVERIFY(!o.host.viewAfter); // kept
        QVERIFY(!o.panel.ClickedWhileHovered());
        QCOMPARE(o.host.stored["View"], 0);

        // A second click while over it goes back, and leaving keeps that.
        Enter(toggle);
        QTest::mouseClick(toggle, Qt::LeftButton);
        QTest::mouseClick(toggle, Qt::LeftButton);
        Leave(toggle);
        QVERIFY(!o.host.viewAfter);
    }

    void theHighlightsToggleAndItsAcceleratorFollowTheSameRule()
    {
        Opened o(300, 2);
        CIconButton* toggle = o.panel.Button(kIdHighlights);
        Enter(toggle);
        QVERIFY(!o.host.highlightOn);
        QCOMPARE(toggle->text(), QStringLiteral("Off"));
        o.panel.ClickHighlights();
        Leave(toggle);
        QVERIFY(!o.host.highlightOn);
        QCOMPARE(o.host.stored["Highlight"], 0);
    }

    void cyanWhileHighlightingIsOffStaysOff()
    {
        Opened o(300, 2);
        o.host.highlightOn = false;
        QTest::mouseClick(o.panel.Button(kIdCyan), Qt::LeftButton);
        QVERIFY(!o.host.highlightOn);
        QCOMPARE(o.panel.HighlightColour(), 2);
        QCOMPARE(o.host.highlightColour, 2);
        QCOMPARE(o.panel.Button(kIdHighlights)->text(), QStringLiteral("Off"));
        QCOMPARE(o.panel.Button(kIdHighlights)->NormalIcon(), Icon(175));
        QCOMPARE(o.host.stored["Highlight"], 0);
        QTest::mouseClick(o.panel.Button(kIdMagenta), Qt::LeftButton);
        QCOMPARE(o.panel.Button(kIdHighlights)->NormalIcon(), Icon(176));
        o.host.highlightOn = true;
        QTest::mouseClick(o.panel.Button(kIdYellow), Qt::LeftButton);
        QCOMPARE(o.panel.Button(kIdHighlights)->NormalIcon(), Icon(146));
    }

    void helpPictureWhileOverTheHelpButton()
    {
        FakePanelHost host;
        CSpeckwashDlg2 panel(host, nullptr, kBase);
        Enter(panel.Button(kIdHelp));
        QCOMPARE(host.picture, 151);
        QVERIFY(host.pictureVisible);
        Leave(panel.Button(kIdHelp));
        QCOMPARE(host.picture, 150); // no image: the start picture again
        host.image = true;
        Enter(panel.Button(kIdHelp));
        Leave(panel.Button(kIdHelp));
        QVERIFY(!host.pictureVisible);
    }

    void workflowButtonsReachTheOwner()
    {
        Opened o(300, 2);
        // Each button reaches its own command, once, and no other.
        int FakePanelHost::* const counts[] = { &FakePanelHost::opens, &FakePanelHost::saves, &FakePanelHost::quits,
            &FakePanelHost::zoomIns, &FakePanelHost::zoomOuts, &FakePanelHost::helps };
        const int buttons[] = { kIdOpen, kIdSave, kIdCloseAll, kIdZoomIn, kIdZoomOut, kIdHelp };
        for (int b = 0; b < 6; ++b) {
            QTest::mouseClick(o.panel.Button(buttons[b]), Qt::LeftButton);
            for (int c = 0; c < 6; ++c)
                QVERIFY2(o.host.*counts[c] == (c <= b ? 1 : 0),
                    qPrintable(QStringLiteral("button %1, command %2").arg(buttons[b]).arg(c)));
        }
        QTest::mouseClick(o.panel.Button(kIdUndo), Qt::LeftButton); // disabled until a stroke exists
        QCOMPARE(o.host.undos, 0);
        o.panel.SetUndoEnabled(true);
        QTest::mouseClick(o.panel.Button(kIdUndo), Qt::LeftButton);
        QCOMPARE(o.host.undos, 1);
        o.host.stored.clear();
        QTest::mouseClick(o.panel.Button(kIdRestoreDefaults), Qt::LeftButton);
        QCOMPARE(o.host.stored.count("DustRadius"), size_t { 1 });
    }

    void movingThePanelRedrawsTheWindowOnlyWhenZoomedIn()
    {
        Opened o(300, 2);
        o.panel.show();
        QCoreApplication::processEvents();
        const int before = o.host.fullRedraws;
        o.panel.move(o.panel.pos() + QPoint(20, 0));
        QCoreApplication::processEvents();
        QCOMPARE(o.host.fullRedraws, before); // 100 %: the window's background is not exposed
        o.host.scale = 0.25f;
        o.panel.move(o.panel.pos() + QPoint(20, 0));
        QCoreApplication::processEvents();
        QVERIFY(o.host.fullRedraws > before);
    }

    void closingThePanel()
    {
        FakePanelHost host;
        CSpeckwashDlg2 panel(host, nullptr, kBase);
        panel.show();
        panel.close(); // no image: the panel hides
        QVERIFY(panel.isHidden());
        QVERIFY(!host.panelVisible);
        QCOMPARE(host.stored["ShowControls"], 0);

        panel.show();
        host.image = true;
        panel.close(); // an image: the owner's close prompt decides
        QCOMPARE(host.closePrompts, 1);
        QVERIFY(!panel.isHidden());

        QTest::keyClick(&panel, Qt::Key_Escape);
        QVERIFY(panel.isHidden());
        panel.show();
        QTest::keyClick(&panel, Qt::Key_Return);
        QVERIFY(!panel.isHidden());
    }
};

QTEST_MAIN(PanelParametersTest)
#include "panel_parameters_test.moc"
