#include <QFile>
#include <QTest>
#include <cstdio>
#include <unistd.h>

#include "app/control_panel/panel_bridge.h"
#include "app/main_window/main_window.h"
#include "engine/dust_engine.h"
#include "gui_test_support.h"

// The timing marks of SPECKWASH_TRACE=1: every mark of an open once, in order.
class TraceEventsTest : public QObject {
    Q_OBJECT

    static QByteArray Contents(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void anOpenMarksEachStepOnceInOrder()
    {
        TestFolder();
        const QString picture = WritePicture(*DustyPicture(900, 700, { { 100, 100 } }), "traced.bmp");
        const QString log = TestFolder() + "/trace.log";
        qputenv("SPECKWASH_TRACE", "1");
        std::fflush(stderr);
        const int saved = dup(STDERR_FILENO);
        FILE* sink = std::fopen(log.toLocal8Bit().constData(), "w");
        QVERIFY(sink && saved >= 0);
        dup2(fileno(sink), STDERR_FILENO);
        {
            CSpeckwashDlg window;
            auto script = Script(window);
            CPanelBridge bridge(window);
            window.show();
            script->openPaths = { picture };
            window.Open();
            QVERIFY(WaitForOpen(window));
            // Until the last mark: the engine's end and the paints it asks for.
            QTRY_VERIFY_WITH_TIMEOUT(Contents(log).contains("all-done"), 60000);
        }
        std::fflush(stderr);
        dup2(saved, STDERR_FILENO);
        close(saved);
        std::fclose(sink);
        qunsetenv("SPECKWASH_TRACE");

        QStringList events;
        qint64 last = -1;
        for (const QByteArray& line : Contents(log).split('\n')) {
            const QList<QByteArray> parts = line.trimmed().split(' ');
            if (parts.size() != 3 || parts[0] != "trace")
                continue;
            const qint64 ms = parts[1].toLongLong();
            QVERIFY(ms >= last);
            last = ms;
            events << QString::fromLatin1(parts[2]);
        }
        QCOMPARE(events,
            QStringList({ "open-chosen", "image-loaded", "first-tile-painted", "visible-painted", "all-done" }));
    }
};

QTEST_MAIN(TraceEventsTest)
#include "trace_events_test.moc"
