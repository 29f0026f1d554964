// The progress line of fetch, drawn onto a recording terminal with a clock
// the test moves.

#include "cli/progress_bar.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

struct FakeTerminal {
    std::vector<std::string> writes;
    ProgressBar::Clock::time_point now{};

    ProgressBar Bar(int width = 80)
    {
        return ProgressBar(ProgressBar::Terminal{[this](std::string_view text) { writes.emplace_back(text); },
                                                 [this] { return now; }, width});
    }
};

TEST(ProgressBar, RedrawsAtMostTenTimesASecond)
{
    FakeTerminal terminal;
    ProgressBar bar = terminal.Bar();
    bar.Start(5000);
    for (int i = 1; i <= 5000; ++i) {  // five seconds of messages, one a millisecond
        bar.Update(i, static_cast<std::uint64_t>(i) * 1000);
        terminal.now += 1ms;
    }
    EXPECT_GE(terminal.writes.size(), 45u);
    EXPECT_LE(terminal.writes.size(), 51u);
}

TEST(ProgressBar, FirstUpdateDrawsAtOnceAndClearErasesOnlyWhatIsShown)
{
    FakeTerminal terminal;
    ProgressBar bar = terminal.Bar();
    bar.Clear();
    EXPECT_TRUE(terminal.writes.empty());

    bar.Start(3);
    bar.Update(1, 0);
    ASSERT_EQ(terminal.writes.size(), 1u);
    EXPECT_TRUE(terminal.writes[0].starts_with("\r\x1b[K1/3 ["));
    EXPECT_TRUE(bar.Visible());

    bar.Clear();
    bar.Clear();
    EXPECT_EQ(terminal.writes, (std::vector<std::string>{terminal.writes[0], "\r\x1b[K"}));
    EXPECT_FALSE(bar.Visible());

    // Clearing does not lift the rate limit.
    bar.Update(2, 10);
    EXPECT_EQ(terminal.writes.size(), 2u);
    terminal.now += 100ms;
    bar.Update(2, 10);
    EXPECT_EQ(terminal.writes.size(), 3u);
}

TEST(ProgressBar, DisabledBarNeverWrites)
{
    ProgressBar bar;
    bar.Start(2);
    bar.Update(1, 100);
    bar.Clear();
    EXPECT_FALSE(bar.Visible());
}

TEST(ProgressBar, LineShowsCountBytesAndRateWithinTheWidth)
{
    const std::string line = FormatProgress(500, 2000, 12'345'678, 2.0, 60);
    EXPECT_TRUE(line.starts_with("500/2000 [")) << line;
    EXPECT_TRUE(line.ends_with("]  12.3 MB  6.2 MB/s")) << line;
    EXPECT_EQ(line.size(), 59u);
    // A quarter of the bar is filled.
    const std::size_t open = line.find('[');
    const std::size_t close = line.find(']');
    const std::string bar = line.substr(open + 1, close - open - 1);
    EXPECT_EQ(std::count(bar.begin(), bar.end(), '#'), static_cast<long>(bar.size() / 4));

    for (const int width : {1, 10, 25, 40, 200}) {
        SCOPED_TRACE(width);
        EXPECT_LE(static_cast<int>(FormatProgress(2000, 2000, 1'500'000'000, 30.0, width).size()), width - 1);
    }
    // No rate before there is time to measure one.
    EXPECT_EQ(FormatProgress(1, 2, 0, 0.0, 20), "1/2  0 B");
}

TEST(ProgressBar, ByteUnits)
{
    EXPECT_EQ(FormatBytes(0), "0 B");
    EXPECT_EQ(FormatBytes(999), "999 B");
    EXPECT_EQ(FormatBytes(1000), "1.0 kB");
    EXPECT_EQ(FormatBytes(999'949), "999.9 kB");
    EXPECT_EQ(FormatBytes(5'250'000), "5.2 MB");
    EXPECT_EQ(FormatBytes(2'000'000'000), "2.0 GB");
}

}  // namespace
