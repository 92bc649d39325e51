#pragma once
#include <QApplication>
#include <QString>

// The application: runs the main window modally and ends when it ends.
class CSpeckwashApp : public QApplication {
    Q_OBJECT
public:
    CSpeckwashApp(int& argc, char** argv);

    // Shows the main window, opens `startPath` when given, and returns when
    // the window has ended.
    int Run(const QString& startPath);

    // The command line's file, opened once the window's event loop runs.
    static void OpenAtStart(class CSpeckwashDlg& dialog, const QString& path);

    const QString helpFile = QStringLiteral("Speckwash.chm");
};
