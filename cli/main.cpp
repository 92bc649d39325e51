#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "cli/clean_options.h"
#include "cli/verbs.h"
#include "workflow/program_version.h"

namespace {

const char* const kMainHelp = R"(Usage: speckwash-cli VERB [options] FILE...

Cleans dust and scratches out of scanned photographs without a window, with
the same engine and the same rules as the desktop program.

Verbs:
  info [--json] FILE...                 describe image files
  convert IN OUT                        rewrite an image in another format
  clean [options] INPUT... (-o OUTPUT | --out-dir DIR)
                                        clean images, one or thousands

  speckwash-cli VERB --help             the options of a verb
  speckwash-cli --version               the program's version

Exit status: 0 when everything succeeded, 1 when any file failed, 2 for a
usage error.
)";

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::cerr << kMainHelp;
        return ExitUsage;
    }
    const std::string verb = args.front();
    std::vector<std::string> rest(args.begin() + 1, args.end());
    if (verb == "--help" || verb == "-h" || verb == "help") {
        std::cout << kMainHelp;
        return ExitOk;
    }
    if (verb == "--version")
        return PrintProgramVersion(stdout) == 0 ? ExitOk : ExitFileFailed;
    if (verb == "info")
        return RunInfo(rest);
    if (verb == "convert")
        return RunConvert(rest);
    if (verb == "clean")
        return RunClean(rest);
    std::cerr << "speckwash-cli: unknown verb " << verb << " (see speckwash-cli --help)\n";
    return ExitUsage;
}
