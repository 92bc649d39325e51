// The save dialog: its filter, the quality panel and the extension that follows the type.
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include "app/dialogs/prompts.h"
#include "app/dialogs/save_options_dialog.h"
#include "gui_test_support.h"

class SaveDialogTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestFolder(); }
    void filtersInTypeOrder();
    void qualityPanelOnlyForJpeg();
    void typeChangeReplacesTheExtension();
    void qualityButtonsResetSubsampling();
    void theReplaceQuestionNamesTheFileWritten();
};

void SaveDialogTest::filtersInTypeOrder()
{
    QStringList filters = SaveDialogFilters();
    QCOMPARE(filters.size(), 5);
    QVERIFY(filters[0].startsWith("BMP"));
    QVERIFY(filters[1].startsWith("JPEG"));
    QVERIFY(filters[2].startsWith("PNG"));
    QVERIFY(filters[3].contains("*.tif *.tiff"));
    QCOMPARE(filters[4], QStringLiteral("All Files (*)"));
    QVERIFY(OpenDialogFilter().startsWith("All Image Files (*.jpg *.tif *.jpeg *.tiff *.bmp *.png *.gif *.psd)"));
}

void SaveDialogTest::qualityPanelOnlyForJpeg()
{
    SaveChoice choice;
    choice.defaultName = TestFolder() + "/scan.jpg";
    choice.type = 2;
    CSaveOpt jpeg(nullptr, choice);
    QVERIFY(jpeg.QualityPanelEnabled());
    QVERIFY(jpeg.QualityButton(3)->isChecked()); // "Same as Input"
    QCOMPARE(jpeg.Quality(), 200);
    QCOMPARE(jpeg.QualityButton(0)->text(), QStringLiteral("Low (E-mail)"));
    choice.type = 3;
    CSaveOpt png(nullptr, choice);
    QVERIFY(!png.QualityPanelEnabled());
    QCOMPARE(png.SelectedType(), 3);
}

void SaveDialogTest::typeChangeReplacesTheExtension()
{
    SaveChoice choice;
    choice.defaultName = TestFolder() + "/scan.png";
    choice.type = 3;
    CSaveOpt dialog(nullptr, choice);
    auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(name);
    QCOMPARE(name->text(), QStringLiteral("scan.png"));
    const char* expected[] = { "scan.bmp", "scan.jpg", "scan.png", "scan.tif", "scan" };
    for (int type = 1; type <= 5; ++type) {
        dialog.selectNameFilter(SaveDialogFilters()[type - 1]);
        emit dialog.filterSelected(SaveDialogFilters()[type - 1]);
        QCOMPARE(name->text(), QString::fromLatin1(expected[type - 1]));
        QCOMPARE(dialog.QualityPanelEnabled(), type == 2);
        if (type == 5)
            name->setText(QStringLiteral("scan.x")); // "all files" kept what was typed
    }
    dialog.selectNameFilter(SaveDialogFilters()[0]);
    emit dialog.filterSelected(SaveDialogFilters()[0]);
    QCOMPARE(name->text(), QStringLiteral("scan.bmp"));
}

void SaveDialogTest::qualityButtonsResetSubsampling()
{
    SaveChoice choice;
    choice.defaultName = TestFolder() + "/scan.jpg";
    choice.type = 2;
    choice.subsamplingChoice = 2;
    CSaveOpt dialog(nullptr, choice);
    QCOMPARE(dialog.SubsamplingChoice(), 2);
    const int qualities[] = { 24, 40, 60, 200 };
    for (int i = 0; i < 4; ++i) {
        dialog.QualityButton(i)->click();
        QCOMPARE(dialog.Quality(), qualities[i]);
        QCOMPARE(dialog.SubsamplingChoice(), 0);
    }
    SaveChoice out;
    dialog.Results(out);
    QCOMPARE(out.quality, 200);
    QCOMPARE(out.type, 2);
}

void SaveDialogTest::theReplaceQuestionNamesTheFileWritten()
{
    const QString folder = TestFolder() + "/replace";
    QDir().mkpath(folder);
    QFile(folder + "/holiday.png").open(QIODevice::WriteOnly); // the typed name, harmless to write over
    SaveChoice choice;
    choice.defaultName = folder + "/holiday.png";
    choice.type = 2; // JPEG: holiday.png is written as holiday.jpg
    CSaveOpt dialog(nullptr, choice);
    dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QStringLiteral("holiday.png"));
    QStringList asked;
    dialog.confirmReplace = [&](QWidget*, const QString& path) {
        asked << path;
        return false;
    };
    QCOMPARE(dialog.TargetPath(), folder + "/holiday.jpg");
    dialog.accept(); // holiday.jpg does not exist: nothing to ask
    QVERIFY(asked.isEmpty());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));

    QFile(folder + "/holiday.jpg").open(QIODevice::WriteOnly);
    CSaveOpt again(nullptr, choice);
    again.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QStringLiteral("holiday.png"));
    again.confirmReplace = dialog.confirmReplace;
    again.accept();
    QCOMPARE(asked, QStringList { folder + "/holiday.jpg" });
    QCOMPARE(again.result(), int(QDialog::Rejected)); // "No" keeps the dialog open
}

QTEST_MAIN(SaveDialogTest)
#include "save_dialog_test.moc"
