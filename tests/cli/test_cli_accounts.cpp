// tovik-cli accounts: one line per account, never a password.

#include "cli_process.h"
#include "ini_file.h"

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

TEST(CliAccounts, ListsNumberNameServerAndUserButNoPassword)
{
    const TempDir dir;
    const std::string ini =
        WriteIni(dir, {{.name = "home", .server = "pop.example.net", .id = "taro", .password = "s3cret-one"},
                       {.name = "work", .server = "192.0.2.10", .id = "t.yamada", .password = "s3cret-two", .port = 1110}});
    const CliRun run = RunCli({"accounts", "--ini", ini});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(SplitLines(run.out), (Lines{"1\thome\tpop.example.net\ttaro", "2\twork\t192.0.2.10\tt.yamada"}));
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out.find("s3cret"), std::string::npos);
}

TEST(CliAccounts, ShiftJisTextIsUtf8UnlessSjisIsAsked)
{
    const TempDir dir;
    const std::string kaisha = "\x89\xEF\x8E\xD0";  // 会社
    const std::string ini = WriteIni(dir, {{.name = kaisha, .server = "pop.example.jp", .id = "taro"}});

    EXPECT_EQ(RunCli({"accounts", "--ini", ini}).out, "1\t会社\tpop.example.jp\ttaro\n");
    EXPECT_EQ(RunCli({"accounts", "--ini", ini, "--sjis"}).out, "1\t" + kaisha + "\tpop.example.jp\ttaro\n");
    EXPECT_EQ(RunCli({"accounts", "--ini", ini, "--sjis", "--utf8"}).out, "1\t会社\tpop.example.jp\ttaro\n");
}

TEST(CliAccounts, MissingNameStillCountsAsAnEmptyAccount)
{
    const TempDir dir;
    // count=2 with host2 missing: the second account reads empty.
    const std::string ini = dir.Path() + "tovik.ini";
    WriteFileBytes(ini, "[SetInfo]\ncount=2\nhost1=home\n[home]\nhost_pop=pop.example.net\nid=taro\npasswd=x\n");
    const CliRun run = RunCli({"accounts", "--ini", ini});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(SplitLines(run.out), (Lines{"1\thome\tpop.example.net\ttaro", "2\t\t\t"}));
}

}  // namespace
