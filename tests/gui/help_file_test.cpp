#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QTextBrowser>
#include <QTreeWidget>

#include "app/help/help_contents.h"
#include "app/help/help_file.h"
#include "app/help/help_viewer.h"
#include "gui_test_support.h"
#include "help_test_support.h"

// The compiled help file as the build makes it, read through the help
// file reader and shown in the help window.
class HelpFileTest : public QObject {
    Q_OBJECT

    QString helpPath;

private slots:
    void initTestCase()
    {
        TestFolder();
        helpPath = PlaceHelpFileBesideTheProgram();
        QVERIFY2(QFile::exists(helpPath), "the build did not compile Speckwash.chm");
    }

    void titleStartPageAndContextNumbers()
    {
        CHelpFile file;
        QVERIFY(file.Open(helpPath.toStdString()));
        QCOMPARE(file.Title(), std::string("Speckwash Help"));
        QCOMPARE(file.DefaultTopic(), std::string("/index.htm"));
        QCOMPARE(file.ContentsFile(), std::string("/Speckwash.hhc"));
        QCOMPARE(file.TopicForContext(1000), std::string("/index.htm"));
        QCOMPARE(file.TopicForContext(1006), std::string("/brush.htm"));
        QCOMPARE(file.TopicForContext(1012), std::string("/troubleshooting.htm"));
        QCOMPARE(file.TopicForContext(999), std::string());
        QCOMPARE(file.TopicForContext(0), std::string());
        std::string page;
        QVERIFY(file.Read("/saving.htm", page));
        QVERIFY(page.find("JPEG") != std::string::npos);
        QVERIFY(!file.Read("/missing.htm", page));
        QVERIFY(page.empty());
    }

    void everyContentsEntryNamesAPageInTheFile()
    {
        CHelpFile file;
        QVERIFY(file.Open(helpPath.toStdString()));
        std::string sitemap;
        QVERIFY(file.Read(file.ContentsFile(), sitemap));
        const auto entries = ParseHelpContents(sitemap);
        QVERIFY(entries.size() >= 12);
        for (const HelpContentsEntry& e : entries)
            QVERIFY2(file.Exists("/" + e.local), e.local.c_str());
        // So does every index entry.
        std::string index;
        QVERIFY(file.Read("/Speckwash.hhk", index));
        for (const HelpContentsEntry& e : ParseHelpContents(index))
            QVERIFY2(file.Exists("/" + e.local), e.local.c_str());
    }

    void damagedFilesAreRefused()
    {
        CHelpFile file;
        QVERIFY(!file.Open((TestFolder() + "/absent.chm").toStdString()));
        // A file cut short after its header.
        QFile whole(helpPath);
        QVERIFY(whole.open(QIODevice::ReadOnly));
        const QByteArray head = whole.read(120);
        const QString cut = TestFolder() + "/cut.chm";
        QFile out(cut);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(head);
        out.close();
        if (file.Open(cut.toStdString())) {
            std::string page;
            QVERIFY(!file.Read("/index.htm", page));
            QCOMPARE(file.TopicForContext(1000), std::string());
        }
        file.Close();
        QVERIFY(!file.IsOpen());
    }

    void sitemapNestingEntitiesAndStrayMarkup()
    {
        const std::string sitemap = "<UL><LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"Top &amp; more\">"
                                    "<param name=\"Local\" value=\"a.htm\"></OBJECT>"
                                    "<ul><li><object type='text/sitemap'><param name=Name value=Inner>"
                                    "<param name=\"Local\" value=\"sub/b.htm\"></object></ul>"
                                    "<li><object type=\"text/site properties\"><param name=\"Name\" value=\"skip\"></object>"
                                    "<li><object type=\"text/sitemap\"><param name=\"Local\" value=\"nameless.htm\"></object>"
                                    "<li><object type=\"text/sitemap\"><param name=\"Name\" value=\"Last\"></object></UL>"
                                    "<object type=\"text/sitemap\"><param name=\"Name\" value=\"cut";
        const auto e = ParseHelpContents(sitemap);
        QCOMPARE(int(e.size()), 3);
        QCOMPARE(e[0].name, std::string("Top & more"));
        QCOMPARE(e[0].local, std::string("a.htm"));
        QCOMPARE(e[0].depth, 0);
        QCOMPARE(e[1].name, std::string("Inner"));
        QCOMPARE(e[1].local, std::string("sub/b.htm"));
        QCOMPARE(e[1].depth, 1);
        QCOMPARE(e[2].name, std::string("Last"));
        QCOMPARE(e[2].local, std::string());
        QCOMPARE(e[2].depth, 0);
        QVERIFY(ParseHelpContents("</ul></ul><ul").empty());
    }

    void helpFileSitsBesideTheProgram()
    {
        QCOMPARE(HelpFilePathBeside("/opt/speckwash/bin/speckwash", "Speckwash.chm"),
            std::string("/opt/speckwash/bin/Speckwash.chm"));
        QCOMPARE(HelpFilePathBeside("C:\\Programs\\Speckwash\\speckwash.exe", "Speckwash.chm"),
            std::string("C:\\Programs\\Speckwash\\Speckwash.chm"));
        QCOMPARE(HelpFilePathBeside("speckwash", "Speckwash.chm"), std::string("Speckwash.chm"));
        // Only the first 255 characters of the program's path count.
        const std::string longPath = "/" + std::string(300, 'd') + "/speckwash";
        QCOMPARE(HelpFilePathBeside(longPath, "Speckwash.chm"), std::string("/Speckwash.chm"));
        const std::string fits = "/" + std::string(200, 'd') + "/" + std::string(100, 'e');
        QCOMPARE(HelpFilePathBeside(fits, "x.chm"), "/" + std::string(200, 'd') + "/x.chm");
    }

    void viewerShowsContentsTopicsPicturesAndHistory()
    {
        CHelpViewer viewer;
        QVERIFY(viewer.Load(helpPath));
        QCOMPARE(viewer.windowTitle(), QStringLiteral("Speckwash Help"));
        QVERIFY(viewer.ContentsTree()->topLevelItemCount() >= 12);
        QCOMPARE(viewer.ContentsTree()->topLevelItem(0)->text(0), QStringLiteral("Speckwash Help"));

        viewer.ShowContents();
        QCOMPARE(viewer.CurrentTopic(), QStringLiteral("/index.htm"));
        QVERIFY(viewer.Browser()->toPlainText().contains(QStringLiteral("Getting started")));
        // The page's picture comes out of the help file.
        const QVariant png = viewer.Browser()->loadResource(QTextDocument::ImageResource,
            viewer.Browser()->source().resolved(QUrl(QStringLiteral("images/speckwash.png"))));
        QVERIFY(png.toByteArray().startsWith("\x89PNG"));

        QVERIFY(viewer.ShowContext(1008));
        QCOMPARE(viewer.CurrentTopic(), QStringLiteral("/saving.htm"));
        QVERIFY(viewer.Browser()->toPlainText().contains(QStringLiteral("16 bits")));
        QCOMPARE(viewer.ContentsTree()->currentItem()->text(0), QStringLiteral("Saving your work"));

        // A link within the page, then back and forward.
        viewer.Browser()->setSource(viewer.Browser()->source().resolved(QUrl(QStringLiteral("brush.htm"))));
        QCOMPARE(viewer.CurrentTopic(), QStringLiteral("/brush.htm"));
        viewer.Browser()->backward();
        QCOMPARE(viewer.CurrentTopic(), QStringLiteral("/saving.htm"));
        viewer.Browser()->forward();
        QCOMPARE(viewer.CurrentTopic(), QStringLiteral("/brush.htm"));

        // An unknown number falls back to the start page.
        QVERIFY(!viewer.ShowContext(4242));
        QCOMPARE(viewer.CurrentTopic(), QStringLiteral("/index.htm"));
    }

    void viewerReportsAMissingFile()
    {
        CHelpViewer viewer;
        QVERIFY(!viewer.Load(TestFolder() + "/nowhere.chm"));
        viewer.ShowContents();
        QVERIFY(viewer.Browser()->toPlainText().contains(QStringLiteral("nowhere.chm")));
        QCOMPARE(viewer.ContentsTree()->topLevelItemCount(), 0);
    }

    void listedByTheHelpFileTool()
    {
        const QString chmls = QStandardPaths::findExecutable(QStringLiteral("chmls"));
        if (chmls.isEmpty())
            QSKIP("chmls is not installed");
        QProcess p;
        p.start(chmls, { QStringLiteral("list"), helpPath });
        QVERIFY(p.waitForFinished(30000));
        const QString listing = QString::fromLocal8Bit(p.readAllStandardOutput());
        for (const char* name : { "/index.htm", "/brush.htm", "/Speckwash.hhc", "/Speckwash.hhk", "/#IVB",
                 "/images/speckwash.png" })
            QVERIFY2(listing.contains(QString::fromLatin1(name)), name);
    }
};

QTEST_MAIN(HelpFileTest)
#include "help_file_test.moc"
