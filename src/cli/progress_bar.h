#pragma once
// The one-line progress display of fetch on a terminal: message i of N,
// bytes so far, rate. Drawn at most ten times a second, so that a fast run
// spends its time on mail, not on the terminal.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class ProgressBar {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kRedrawInterval{100};

    struct Terminal {
        std::function<void(std::string_view)> write;
        std::function<Clock::time_point()> now;
        int width = 80;
    };

    // A bar that never draws (output is not a terminal).
    ProgressBar() = default;
    explicit ProgressBar(Terminal terminal);

    void Start(int total);
    // Redraws when the last drawing is old enough.
    void Update(int current, std::uint64_t bytes);
    // Erases the line if it is shown; the next Update may draw it again.
    void Clear();
    bool Visible() const { return visible_; }
    bool Enabled() const { return enabled_; }

private:
    Terminal terminal_;
    bool enabled_ = false;
    bool visible_ = false;
    bool drawnOnce_ = false;
    int total_ = 0;
    Clock::time_point start_{};
    Clock::time_point lastDraw_{};
};

// A bar on standard error when it is a terminal, else one that never draws.
ProgressBar TerminalProgressBar();

// The text of the line, at most width - 1 columns.
std::string FormatProgress(int current, int total, std::uint64_t bytes, double seconds, int width);
// 950 B, 12.3 kB, 4.5 MB, 1.2 GB (powers of 1000).
std::string FormatBytes(double bytes);
