#pragma once
#include <string>
#include <vector>

// One line of a help file's table of contents.
struct HelpContentsEntry {
    std::string name;
    std::string local; // topic path inside the help file, may be empty for a heading
    int depth = 0; // 0 for the outermost list
};

// Reads the sitemap lists of a contents (.hhc) or index (.hhk) file: each
// <object type="text/sitemap"> with its "Name" and "Local" parameters, at the
// depth of the <ul> lists around it. Markup it does not know is skipped.
std::vector<HelpContentsEntry> ParseHelpContents(const std::string& sitemap);
