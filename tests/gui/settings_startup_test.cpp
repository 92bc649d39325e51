// What the window takes from the settings store when it starts, and what it writes back.
#include <QFile>
#include <QTest>

#include "app/main_window/main_window.h"
#include "gui_test_support.h"
#include "workflow/registry_store.h"

class SettingsStartupTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestFolder(); }
    void freshStoreGetsTheDefaults();
    void storedValuesAreReadButNotTheThreshold();
};

// The file as it is on disk once the values still waiting have been written.
static QString StoreText()
{
    RegistryFlush();
    QFile file(QString::fromLocal8Bit(qgetenv("SPECKWASH_REGISTRY")));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
}

void SettingsStartupTest::freshStoreGetsTheDefaults()
{
    RegistryFlush();
    QFile::remove(QString::fromLocal8Bit(qgetenv("SPECKWASH_REGISTRY")));
    CSpeckwashDlg window;
    QString text = StoreText();
    for (const char* line : { "\"View\"=\"1\"", "\"Highlight\"=\"1\"", "\"DustType\"=\"2\"", "\"DustRadius\"=\"10\"",
             "\"DustThreshold\"=\"11\"", "\"AggressionRadius\"=\"31\"", "\"SaveAsRotated\"=\"0\"",
             "\"ShowControls\"=\"1\"" })
        QVERIFY2(text.contains(QLatin1String(line)), line);
    QVERIFY(window.ViewAfter());
    QCOMPARE(int(window.Params().dustType), 2);
    QCOMPARE(int(window.Params().flatness), 25);
    // Switching to "before" is remembered for the next start.
    window.SetViewAfter(false);
    QVERIFY(StoreText().contains("\"View\"=\"0\""));
    CSpeckwashDlg next;
    QVERIFY(!next.ViewAfter());
}

void SettingsStartupTest::storedValuesAreReadButNotTheThreshold()
{
    RegistryFlush();
    QFile file(QString::fromLocal8Bit(qgetenv("SPECKWASH_REGISTRY")));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Quillmark Inc\\Speckwash\\1.0]\r\n"
               "\"View\"=\"1\"\r\n\"DustType\"=\"0\"\r\n\"DustRadius\"=\"180\"\r\n\"DustThreshold\"=\"25\"\r\n"
               "\"AggressionRadius\"=\"400\"\r\n\"SaveAsRotated\"=\"1\"\r\n\"ShowControls\"=\"0\"\r\n");
    file.close();
    CSpeckwashDlg window;
    QCOMPARE(int(window.Params().dustType), 0);
    QCOMPARE(int(window.Params().dustRadius), 180); // the program itself stores up to 255
    QCOMPARE(int(window.Params().dustThreshold), 11); // follows the image, not the store
    QCOMPARE(int(window.Params().aggression), 51); // a hand-edited value is held to the control's range
    QCOMPARE(window.SaveRotated(), 1);
    QVERIFY(StoreText().contains("\"ShowControls\"=\"1\"")); // rewritten at every start
}

QTEST_MAIN(SettingsStartupTest)
#include "settings_startup_test.moc"
