// Command lines that make no sense, help, and settings that cannot be used:
// each ends with one clear line and exit status 2, before any connection.

#include "cli_process.h"
#include "ini_file.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using Args = std::vector<std::string>;

std::string FirstLine(const std::string& text)
{
    return text.substr(0, text.find('\n'));
}

struct UsageCase {
    Args args;
    std::string complaint;  // the first line of standard error
};

TEST(CliUsage, MalformedCommandLinesExitTwoWithOneLineAndAHint)
{
    const std::vector<UsageCase> cases = {
        {{}, "tovik-cli: no command given"},
        {{"frobnicate"}, "tovik-cli: unknown command 'frobnicate'"},
        {{"--ini", "x.ini"}, "tovik-cli: no command before option '--ini'"},
        {{"check", "--frob"}, "tovik-cli: check has no option '--frob'"},
        {{"accounts", "--account", "1"}, "tovik-cli: accounts has no option '--account'"},
        {{"decode-header", "--ini", "x"}, "tovik-cli: decode-header has no option '--ini'"},
        {{"check", "extra"}, "tovik-cli: check takes no argument 'extra'"},
        {{"check", "--port", "0"}, "tovik-cli: --port needs a number from 1 to 65535, not '0'"},
        {{"check", "--port=65536"}, "tovik-cli: --port needs a number from 1 to 65535, not '65536'"},
        {{"fetch", "--port", "11O"}, "tovik-cli: --port needs a number from 1 to 65535, not '11O'"},
        {{"fetch", "--timeout", "-1"}, "tovik-cli: --timeout needs a number from 0 to 2147483647, not '-1'"},
        {{"fetch", "--dir"}, "tovik-cli: --dir needs a value"},
        {{"fetch", "--ini="}, "tovik-cli: --ini needs a value"},
        {{"fetch", "--keep=yes"}, "tovik-cli: --keep takes no value"},
        {{"fetch", "--delete", "--keep"}, "tovik-cli: --delete and --keep exclude each other"},
    };
    for (const UsageCase& c : cases) {
        const CliRun run = RunCli(c.args);
        SCOPED_TRACE(testing::PrintToString(c.args));
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(FirstLine(run.err), c.complaint);
        EXPECT_EQ(SplitLines(run.err), (Args{c.complaint, "Try 'tovik-cli --help'."}));
    }
}

TEST(CliUsage, HelpGoesToStandardOutputForTheProgramAndEachCommand)
{
    const std::vector<std::pair<Args, std::string>> cases = {
        {{"--help"}, "Usage: tovik-cli COMMAND"},
        {{"-h"}, "Usage: tovik-cli COMMAND"},
        {{"help"}, "Usage: tovik-cli COMMAND"},
        {{"help", "fetch"}, "Usage: tovik-cli fetch"},
        {{"accounts", "--help"}, "Usage: tovik-cli accounts"},
        {{"check", "-h"}, "Usage: tovik-cli check"},
        {{"fetch", "--account", "9", "--help"}, "Usage: tovik-cli fetch"},
        {{"decode-header", "--help"}, "Usage: tovik-cli decode-header"},
    };
    for (const auto& [args, start] : cases) {
        const CliRun run = RunCli(args);
        SCOPED_TRACE(testing::PrintToString(args));
        EXPECT_EQ(run.status, 0);
        EXPECT_TRUE(run.out.starts_with(start)) << run.out;
        EXPECT_EQ(run.err, "");
    }
}

TEST(CliSettings, MissingSettingsFileIsNamed)
{
    const TempDir dir;
    const std::string path = dir.Path() + "absent.ini";
    for (const char* command : {"accounts", "check", "fetch"}) {
        const CliRun run = RunCli({command, "--ini", path});
        SCOPED_TRACE(command);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "tovik-cli: no settings file at " + path + "\n");
    }
}

TEST(CliSettings, CountThatIsNoNumberGivesTheConversionError)
{
    const TempDir dir;
    const std::string ini = WriteIni(dir, {{.name = "home"}}, "abc");
    for (const char* command : {"accounts", "check"}) {
        const CliRun run = RunCli({command, "--ini", ini});
        SCOPED_TRACE(command);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err, "tovik-cli: " + ini + ": 'abc' is not a valid integer value\n");
    }
}

TEST(CliSettings, UnknownAccountsAreRefusedWithTheNumberThereIs)
{
    const TempDir dir;
    // 会社 in Shift-JIS; its server is empty, so choosing it fails without a connection.
    const std::string kaisha = "\x89\xEF\x8E\xD0";
    const std::string ini = WriteIni(dir, {{.name = "home"}, {.name = kaisha, .server = ""}});
    const std::vector<std::pair<Args, std::string>> cases = {
        {{"--account", "7"}, "tovik-cli: no account 7 (2 accounts)"},
        {{"--account", "0"}, "tovik-cli: no account 0 (2 accounts)"},
        {{"--account", "nosuch"}, "tovik-cli: no account named 'nosuch' (2 accounts)"},
        // A name typed in UTF-8 finds the Shift-JIS account, and the message shows it in UTF-8.
        {{"--account", "会社"}, "tovik-cli: account 2 (会社) has no server: host_pop is empty"},
        {{"--account", "2"}, "tovik-cli: account 2 (会社) has no server: host_pop is empty"},
    };
    for (const auto& [extra, complaint] : cases) {
        for (const char* command : {"check", "fetch"}) {
            Args args = {command, "--ini", ini};
            args.insert(args.end(), extra.begin(), extra.end());
            const CliRun run = RunCli(args);
            SCOPED_TRACE(testing::PrintToString(args));
            EXPECT_EQ(run.status, 2);
            EXPECT_EQ(run.out, "");
            EXPECT_EQ(run.err, complaint + "\n");
        }
    }
}

TEST(CliSettings, NoAccountLoadedLeavesNothingToChoose)
{
    const TempDir dir;
    const std::string ini = WriteIni(dir, {{.name = "a"}, {.name = "b"}}, "6");
    const CliRun check = RunCli({"check", "--ini", ini});
    EXPECT_EQ(check.status, 2);
    EXPECT_EQ(check.err, "tovik-cli: no account 1 (0 accounts)\n");

    const CliRun list = RunCli({"accounts", "--ini", ini});
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(list.out, "");
}

TEST(CliSettings, DefaultSettingsFileLiesBesideTheProgram)
{
    const TempDir programDir;
    const TempDir elsewhere;
    const std::string copy = programDir.Path() + "tovik-cli";
    std::filesystem::copy_file(CliPath(), copy);
    std::filesystem::permissions(copy, std::filesystem::perms::owner_all);

    // A tovik.ini in the working directory is not the one.
    WriteIni(elsewhere, {{.name = "wrong", .server = "wrong.example"}});
    const CliRun missing = RunCli({"accounts"}, {.workDir = elsewhere.Path(), .program = copy});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err, "tovik-cli: no settings file at " + programDir.Path() + "tovik.ini\n");

    WriteIni(programDir, {{.name = "right", .server = "right.example"}});
    const CliRun found = RunCli({"accounts"}, {.workDir = elsewhere.Path(), .program = copy});
    EXPECT_EQ(found.status, 0);
    EXPECT_EQ(found.out, "1\tright\tright.example\tjoe\n");
}

}  // namespace
