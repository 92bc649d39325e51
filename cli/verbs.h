#pragma once
#include <string>
#include <vector>

// Exit codes of every verb.
enum ExitCode : int { ExitOk = 0, ExitFileFailed = 1, ExitUsage = 2 };

// Each verb takes the arguments after its name.
int RunInfo(const std::vector<std::string>& args);
int RunConvert(const std::vector<std::string>& args);
int RunClean(const std::vector<std::string>& args);

extern const char* const kInfoHelp;
extern const char* const kConvertHelp;
