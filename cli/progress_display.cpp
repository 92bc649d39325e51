#include "cli/progress_display.h"

#include <algorithm>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

constexpr size_t kBarWidth = 24;

int Percent(float fraction) { return static_cast<int>(std::clamp(fraction, 0.0f, 1.0f) * 100.0f); }

// The last path component: the status line has no room for folders.
std::string BaseName(const std::string& path)
{
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

size_t TerminalWidth(std::FILE* stream)
{
    winsize size {};
    if (ioctl(fileno(stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 10)
        return size.ws_col;
    return 80;
}

ProgressDisplay::ProgressDisplay(std::FILE* out, bool isTerminal, bool beQuiet, size_t total, int slotCount)
    : stream(out)
    , terminal(isTerminal)
    , quiet(beQuiet)
    , totalFiles(total)
    , slots(static_cast<size_t>(std::max(slotCount, 1)))
{
}

std::string ProgressDisplay::StatusLine(size_t width) const
{
    float inWork = 0.0f;
    for (const Slot& s : slots)
        if (s.busy)
            inWork += std::clamp(s.fraction, 0.0f, 1.0f);
    float overall = totalFiles ? (static_cast<float>(finishedFiles) + inWork) / static_cast<float>(totalFiles) : 1.0f;
    size_t filled = static_cast<size_t>(std::clamp(overall, 0.0f, 1.0f) * kBarWidth);
    std::string line;
    line.reserve(width + 16);
    line.append(1, '[').append(filled, '#').append(kBarWidth - filled, '.').append("] ");
    line.append(std::to_string(Percent(overall))).append("%  ").append(std::to_string(finishedFiles));
    line.append(1, '/').append(std::to_string(totalFiles));
    for (const Slot& s : slots)
        if (s.busy)
            line.append("  ").append(BaseName(s.name)).append(1, ' ').append(std::to_string(Percent(s.fraction))).append(1, '%');
    if (line.size() > width - 1)
        line.resize(width - 1);
    return line;
}

void ProgressDisplay::ClearLine()
{
    if (lineShown) {
        std::fputs("\r\033[K", stream);
        lineShown = false;
    }
}

void ProgressDisplay::Redraw()
{
    if (!terminal || quiet)
        return;
    std::fputs(("\r\033[K" + StatusLine(TerminalWidth(stream))).c_str(), stream);
    std::fflush(stream);
    lineShown = true;
    lastDraw = std::chrono::steady_clock::now();
}

void ProgressDisplay::FileStarted(int slot, const std::string& name)
{
    std::lock_guard guard(lock);
    Slot& s = slots.at(static_cast<size_t>(slot));
    s.busy = true;
    s.name = name;
    s.fraction = 0.0f;
    Redraw();
}

void ProgressDisplay::FileProgress(int slot, float fraction)
{
    std::lock_guard guard(lock);
    slots.at(static_cast<size_t>(slot)).fraction = fraction;
    if (std::chrono::steady_clock::now() - lastDraw >= std::chrono::milliseconds(100))
        Redraw();
}

void ProgressDisplay::EndFile(int slot, const std::string& line)
{
    Slot& s = slots.at(static_cast<size_t>(slot));
    s.busy = false;
    ++finishedFiles;
    if (!line.empty()) {
        ClearLine();
        std::fprintf(stream, "%s\n", line.c_str());
    }
    Redraw();
    std::fflush(stream);
}

void ProgressDisplay::FileSucceeded(int slot, const std::string& line)
{
    std::lock_guard guard(lock);
    std::string text;
    if (!quiet)
        text.append(1, '[').append(std::to_string(finishedFiles + 1)).append(1, '/').append(std::to_string(totalFiles)).append("] ").append(line);
    EndFile(slot, text);
}

void ProgressDisplay::FileFailed(int slot, const std::string& line)
{
    std::lock_guard guard(lock);
    EndFile(slot, line);
}

void ProgressDisplay::Finish()
{
    std::lock_guard guard(lock);
    ClearLine();
    std::fflush(stream);
}
