#pragma once
#include <cstdint>
#include <string>

struct chmFile;

// Read access to a compiled help file: its objects by path, its title and
// start pages, and the topic behind a context number. The file may be
// damaged or hostile; every table is read with its bounds checked and no
// object larger than kMaxObjectSize is loaded.
class CHelpFile {
public:
    static constexpr uint64_t kMaxObjectSize = 32u << 20;

    CHelpFile() = default;
    ~CHelpFile();
    CHelpFile(const CHelpFile&) = delete;
    CHelpFile& operator=(const CHelpFile&) = delete;

    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return file_ != nullptr; }

    // Object paths start with "/", as in "/index.htm".
    bool Exists(const std::string& objectPath) const;
    bool Read(const std::string& objectPath, std::string& content) const;

    // From the file's system block; empty when not recorded.
    const std::string& Title() const { return title_; }
    const std::string& ContentsFile() const { return contentsFile_; } // "/Speckwash.hhc"
    const std::string& DefaultTopic() const { return defaultTopic_; } // "/index.htm"

    // The object path of the topic mapped to a context number; empty when
    // the number is not mapped or its topic is not in the file.
    std::string TopicForContext(uint32_t contextId) const;

private:
    void ReadSystemBlock();
    std::string ExistingObjectFor(const std::string& name) const;

    chmFile* file_ = nullptr;
    std::string title_;
    std::string contentsFile_;
    std::string defaultTopic_;
};

// The folder rule for the help file: the executable's path, at most 255
// characters, cut after its last "/" or "\", with the file name appended.
std::string HelpFilePathBeside(const std::string& executablePath, const std::string& fileName);
