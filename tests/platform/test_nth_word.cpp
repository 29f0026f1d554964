#include "platform/nth_word.h"
#include "platform/socket_base.h"

#include <gtest/gtest.h>

#include <cerrno>

struct NthWordCase {
    const char* text;
    char delimiter;
    int index;
    const char* expected;
};

class NthWordTable : public testing::TestWithParam<NthWordCase> {};

TEST_P(NthWordTable, GivesTheField)
{
    const NthWordCase& c = GetParam();
    EXPECT_EQ(NthWord(c.text, c.delimiter, c.index), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Replies, NthWordTable, testing::Values(
    NthWordCase{"+OK 2 320\r\n", ' ', 1, "+OK"},
    NthWordCase{"+OK 2 320\r\n", ' ', 2, "2"},
    NthWordCase{"+OK 2 320\r\n", ' ', 3, "320\r\n"},       // the last field keeps the line end
    NthWordCase{"+OK\r\n", ' ', 1, "+OK\r\n"},
    NthWordCase{"+OK  3 1200\r\n", ' ', 2, ""},            // adjacent delimiters: empty field
    NthWordCase{" lead", ' ', 1, ""},
    NthWordCase{" lead", ' ', 2, "lead"},
    NthWordCase{"a b", ' ', 3, ""},                        // past the last field
    NthWordCase{"a b", ' ', 0, ""},
    NthWordCase{"a b", ' ', -1, ""},
    NthWordCase{"", ' ', 1, ""},
    NthWordCase{"x; filename=\"report.pdf\"", '"', 2, "report.pdf"},
    NthWordCase{"x; filename=\"open", '"', 2, "open"},
    NthWordCase{"trailing ", ' ', 2, ""}));

TEST(SocketErrorText, UsesWindowsSocketsNumbers)
{
    EXPECT_EQ(SocketErrorText(ECONNRESET), "10054:Connection reset by peer");
    EXPECT_EQ(SocketErrorText(ECONNREFUSED), "10061:Connection refused");
    EXPECT_EQ(SocketErrorText(ETIMEDOUT), "10060:Connection timed out");
    EXPECT_EQ(SocketErrorText(ENOTSOCK), "10038:Socket operation on non-socket");
    EXPECT_EQ(SocketErrorText(EDOM), "Unknown Error No. " + std::to_string(EDOM));
}
