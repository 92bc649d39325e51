#include "workflow/program_version.h"

#include "workflow/settings_table.h"
#include "workflow/version_info.h"

std::string ProgramVersionLine()
{
    FileVersionInfo version;
    version.LoadFromModule();
    const std::string& product = version.String(VersionProductName);
    char line[160];
    std::snprintf(line, sizeof line, "%s %d.%d.%d.%d", product.empty() ? kSettingsProductName : product.c_str(),
        version.Part(3), version.Part(2), version.Part(1), version.Part(0));
    return line;
}

int PrintProgramVersion(std::FILE* out)
{
    return std::fprintf(out, "%s\n", ProgramVersionLine().c_str()) < 0 ? 1 : 0;
}
