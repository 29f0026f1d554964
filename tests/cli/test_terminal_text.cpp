// Text from mail, settings and servers on its way to the terminal.

#include "cli/terminal_text.h"

#include <gtest/gtest.h>

namespace {

TEST(TerminalLine, OneSafeLineInTheChosenEncoding)
{
    struct Case {
        std::string in;
        std::string utf8;
        std::string sjis;
    };
    const std::vector<Case> cases = {
        {"-ERR no such message\r\n", "-ERR no such message", "-ERR no such message"},
        {"plain", "plain", "plain"},
        {"\r\n\r\n", "", ""},
        {"tab\tstays", "tab\tstays", "tab\tstays"},
        {"esc\x1b[31mred\x7f", "esc?[31mred?", "esc?[31mred?"},
        {"in\rthe\nmiddle\r\n", "in?the?middle", "in?the?middle"},
        {"\x83\x65\x83\x58\x83\x67", "テスト", "\x83\x65\x83\x58\x83\x67"},
        // Trail bytes never fall below 0x40, so "ソ" (83 5C) keeps its backslash byte.
        {"\x83\x5C", "ソ", "\x83\x5C"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.in));
        EXPECT_EQ(TerminalLine(c.in, TextEncoding::Utf8), c.utf8);
        EXPECT_EQ(TerminalLine(c.in, TextEncoding::Sjis), c.sjis);
    }
}

}  // namespace
