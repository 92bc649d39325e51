#pragma once
#include <cstdio>
#include <string>

// "Speckwash 1.0.2.0": the product name and the fixed version read from the
// running program's own file (0.0.0.0 when it carries none), as
// `speckwash-cli --version` and the about box show it.
std::string ProgramVersionLine();

// Prints that line and a newline; 0 on success.
int PrintProgramVersion(std::FILE* out);
