#include "app/help/help_contents.h"

#include <algorithm>
#include <cctype>

namespace {

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

// The value of attribute `name` inside one tag's text, quoted or not.
std::string Attribute(const std::string& tag, const std::string& lowerTag, const std::string& name)
{
    size_t at = 0;
    while ((at = lowerTag.find(name, at)) != std::string::npos) {
        size_t p = at + name.size();
        bool startsWord = at == 0 || !std::isalnum(static_cast<unsigned char>(lowerTag[at - 1]));
        at = p;
        if (!startsWord)
            continue;
        while (p < tag.size() && std::isspace(static_cast<unsigned char>(tag[p])))
            ++p;
        if (p >= tag.size() || tag[p] != '=')
            continue;
        ++p;
        while (p < tag.size() && std::isspace(static_cast<unsigned char>(tag[p])))
            ++p;
        if (p < tag.size() && (tag[p] == '"' || tag[p] == '\'')) {
            size_t end = tag.find(tag[p], p + 1);
            return tag.substr(p + 1, end == std::string::npos ? std::string::npos : end - p - 1);
        }
        size_t end = p;
        while (end < tag.size() && !std::isspace(static_cast<unsigned char>(tag[end])) && tag[end] != '>')
            ++end;
        return tag.substr(p, end - p);
    }
    return {};
}

std::string DecodeEntities(std::string s)
{
    static const std::pair<const char*, char> kEntities[] = {
        { "&amp;", '&' }, { "&lt;", '<' }, { "&gt;", '>' }, { "&quot;", '"' }, { "&#39;", '\'' } };
    for (const auto& [entity, c] : kEntities) {
        size_t at = 0;
        const std::string e(entity);
        while ((at = s.find(e, at)) != std::string::npos) {
            s.replace(at, e.size(), 1, c);
            ++at;
        }
    }
    return s;
}

} // namespace

std::vector<HelpContentsEntry> ParseHelpContents(const std::string& sitemap)
{
    std::vector<HelpContentsEntry> entries;
    int depth = -1;
    bool inSitemap = false;
    HelpContentsEntry current;
    size_t at = 0;
    while ((at = sitemap.find('<', at)) != std::string::npos) {
        size_t end = sitemap.find('>', at);
        if (end == std::string::npos)
            break;
        const std::string tag = sitemap.substr(at + 1, end - at - 1);
        const std::string lower = Lower(tag);
        at = end + 1;
        if (lower.rfind("ul", 0) == 0) {
            ++depth;
        } else if (lower.rfind("/ul", 0) == 0) {
            depth = std::max(-1, depth - 1);
        } else if (lower.rfind("object", 0) == 0) {
            inSitemap = Lower(Attribute(tag, lower, "type")) == "text/sitemap";
            current = HelpContentsEntry {};
            current.depth = std::max(0, depth);
        } else if (lower.rfind("param", 0) == 0 && inSitemap) {
            const std::string name = Lower(Attribute(tag, lower, "name"));
            if (name == "name")
                current.name = DecodeEntities(Attribute(tag, lower, "value"));
            else if (name == "local")
                current.local = DecodeEntities(Attribute(tag, lower, "value"));
        } else if (lower.rfind("/object", 0) == 0) {
            if (inSitemap && !current.name.empty())
                entries.push_back(current);
            inSitemap = false;
        }
    }
    return entries;
}
