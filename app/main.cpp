#include "app/speckwash_app.h"

int main(int argc, char** argv)
{
    CSpeckwashApp app(argc, argv);
    // Desktop launchers hand over a file to open as the only argument.
    QStringList args = app.arguments();
    return app.Run(args.size() > 1 ? args.at(1) : QString());
}
