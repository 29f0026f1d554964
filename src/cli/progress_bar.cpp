#include "cli/progress_bar.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>

namespace {

constexpr std::string_view kEraseLine = "\r\033[K";

int TerminalWidth(int fd)
{
    winsize size{};
    if (::ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

std::string Printf(const char* format, double value, const char* unit)
{
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), format, value, unit);
    return text.data();
}

}  // namespace

std::string FormatBytes(double bytes)
{
    if (bytes < 1000)
        return Printf("%.0f %s", bytes, "B");
    if (bytes < 1e6)
        return Printf("%.1f %s", bytes / 1e3, "kB");
    if (bytes < 1e9)
        return Printf("%.1f %s", bytes / 1e6, "MB");
    return Printf("%.1f %s", bytes / 1e9, "GB");
}

std::string FormatProgress(int current, int total, std::uint64_t bytes, double seconds, int width)
{
    const std::string count = std::to_string(current) + "/" + std::to_string(total);
    std::string figures = "  " + FormatBytes(static_cast<double>(bytes));
    if (seconds >= 0.05)
        figures += "  " + FormatBytes(static_cast<double>(bytes) / seconds) + "/s";

    // "count [####....]  figures", the bar taking the room that is left.
    const int room = width - 1 - static_cast<int>(count.size() + figures.size()) - 3;
    if (room < 10 || total <= 0)
        return (count + figures).substr(0, static_cast<std::size_t>(std::max(width - 1, 0)));
    const int filled = static_cast<int>(static_cast<long long>(room) * std::clamp(current, 0, total) / total);
    return count + " [" + std::string(static_cast<std::size_t>(filled), '#') +
           std::string(static_cast<std::size_t>(room - filled), '.') + "]" + figures;
}

ProgressBar::ProgressBar(Terminal terminal) : terminal_(std::move(terminal)), enabled_(true) {}

void ProgressBar::Start(int total)
{
    total_ = total;
    if (enabled_)
        start_ = terminal_.now();
}

void ProgressBar::Update(int current, std::uint64_t bytes)
{
    if (!enabled_)
        return;
    const Clock::time_point now = terminal_.now();
    if (drawnOnce_ && now - lastDraw_ < kRedrawInterval)
        return;
    drawnOnce_ = true;
    lastDraw_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    terminal_.write(std::string(kEraseLine) + FormatProgress(current, total_, bytes, seconds, terminal_.width));
    visible_ = true;
}

void ProgressBar::Clear()
{
    if (!visible_)
        return;
    terminal_.write(kEraseLine);
    visible_ = false;
}

ProgressBar TerminalProgressBar()
{
    if (::isatty(STDERR_FILENO) != 1)
        return {};
    return ProgressBar(ProgressBar::Terminal{
        [](std::string_view text) {
            std::fwrite(text.data(), 1, text.size(), stderr);
            std::fflush(stderr);
        },
        [] { return ProgressBar::Clock::now(); },
        TerminalWidth(STDERR_FILENO),
    });
}
