#pragma once
#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

// Progress of a batch on the error stream. On a terminal one status line is
// redrawn in place: an overall bar, the files done, and each file in work with
// its own percentage. Elsewhere (a log, a pipe) only plain lines are written,
// one per finished or failed file. Failures are always written, --quiet or
// not. Every call may come from any job thread.
class ProgressDisplay {
public:
    ProgressDisplay(std::FILE* stream, bool terminal, bool quiet, size_t totalFiles, int slots);

    void FileStarted(int slot, const std::string& name);
    // fraction in 0..1 of the file in that slot; redrawn at most ten times a second.
    void FileProgress(int slot, float fraction);
    void FileSucceeded(int slot, const std::string& line);
    void FileFailed(int slot, const std::string& line);
    // Clears the status line.
    void Finish();

    // The status line for the current state, at most `width` columns; exposed for tests.
    std::string StatusLine(size_t width) const;

private:
    struct Slot {
        bool busy = false;
        std::string name;
        float fraction = 0.0f;
    };
    void ClearLine();
    void Redraw();
    void EndFile(int slot, const std::string& line);

    std::FILE* stream;
    bool terminal;
    bool quiet;
    size_t totalFiles;
    size_t finishedFiles = 0;
    std::vector<Slot> slots;
    bool lineShown = false;
    std::chrono::steady_clock::time_point lastDraw {};
    mutable std::mutex lock;
};

// The width of the terminal on `stream`, 80 when it cannot be told.
size_t TerminalWidth(std::FILE* stream);
