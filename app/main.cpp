#include "app/speckwash_app.h"
#include "workflow/registry_store.h"

int main(int argc, char** argv)
{
    CSpeckwashApp app(argc, argv);
    // Desktop launchers hand over a file to open as the only argument.
    QStringList args = app.arguments();
    const int code = app.Run(args.size() > 1 ? args.at(1) : QString());
    RegistryFlush(); // the last settings stored reach the file before the process ends
    return code;
}
