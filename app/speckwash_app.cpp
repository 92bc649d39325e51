#include "app/speckwash_app.h"

#include <QTimer>

#include "app/control_panel/panel_bridge.h"
#include "app/main_window/main_window.h"
#include "view/ui_resources.h"

CSpeckwashApp::CSpeckwashApp(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Speckwash"));
    setOrganizationName(QStringLiteral("Quillmark Inc"));
    // The desktop entry's id: the compositor matches the windows to their
    // launcher by it, and ProgramIcon() takes the installed theme icon of that name.
    setDesktopFileName(QStringLiteral(SPECKWASH_APP_ID));
    setWindowIcon(ProgramIcon());
}

int CSpeckwashApp::Run(const QString& startPath)
{
    CSpeckwashDlg dialog;
    CPanelBridge panel(dialog);
    OpenAtStart(dialog, startPath);
    dialog.exec();
    return 0;
}

void CSpeckwashApp::OpenAtStart(CSpeckwashDlg& dialog, const QString& path)
{
    if (path.isEmpty())
        return;
    // Opened once the window is up, so any message has a window to belong to.
    QTimer::singleShot(0, &dialog, [&dialog, path] { dialog.OpenFromCommandLine(path); });
}
