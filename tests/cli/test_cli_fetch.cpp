// tovik-cli fetch: the retrieval run from a terminal. Subjects on standard
// output, failures and the summary on standard error, mail kept unless
// --delete, files in --dir.

#include "cli_process.h"
#include "ini_file.h"
#include "support/dovecot_mailbox.h"
#include "support/scripted_server.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using Lines = std::vector<std::string>;

const std::string kTesuto = "=?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?=";  // テスト

const std::vector<std::string> kThreeMessages = {
    "Subject: Hello\r\n\r\nfirst\r\n",
    "Subject: " + kTesuto + "\r\n\r\nsecond\r\n",
    "From: a@b.example\r\n\r\nno subject at all\r\n",
};

const std::string kWithAttachment =
    "Subject: files\r\n"
    "Content-Type: multipart/mixed; boundary=\"sep42\"\r\n"
    "\r\n"
    "--sep42\r\n"
    "Content-Type: text/plain\r\n"
    "\r\n"
    "see the report\r\n"
    "--sep42\r\n"
    "Content-Type: text/plain; name=\"report.txt\"\r\n"
    "Content-Transfer-Encoding: base64\r\n"
    "\r\n"
    "aGVsbG8gd29ybGQK\r\n"
    "--sep42--\r\n";

const Lines kLogin = {"S: +OK ready", "C: USER joe", "S: +OK", "C: PASS pw", "S: +OK"};

Lines Session(const std::string& count, const Lines& steps)
{
    Lines all = kLogin;
    all.push_back("C: STAT");
    all.push_back("S: +OK " + count + " 1000");
    all.insert(all.end(), steps.begin(), steps.end());
    return all;
}

Lines Message(const std::string& subject)
{
    return {"S: +OK", "S: Subject: " + subject, "S:", "S: body of " + subject, "S: ."};
}

Lines Concat(std::initializer_list<Lines> parts)
{
    Lines all;
    for (const Lines& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// A mailbox on Dovecot and a settings file for it.
struct DovecotAccount {
    TempDir dir;
    std::string user;
    std::string ini;

    explicit DovecotAccount(const std::vector<std::string>& messages)
        : user(NewMailbox(messages)),
          ini(WriteIni(dir, {{.name = "box", .id = user, .password = kDovecotPassword, .port = DovecotPort()}}))
    {
    }
};

// A settings file for a scripted server.
std::string ScriptedIni(const TempDir& dir, const ScriptedServer& server)
{
    return WriteIni(dir, {{.name = "box", .port = server.Port()}});
}

TEST(CliFetch, KeepsMailByDefaultAndWithKeep)
{
    TOVIK_REQUIRE_DOVECOT();
    for (const Lines& flags : {Lines{}, Lines{"--keep"}}) {
        SCOPED_TRACE(testing::PrintToString(flags));
        const DovecotAccount account(kThreeMessages);
        Lines args = {"fetch", "--ini", account.ini, "--dir", account.dir.Path()};
        args.insert(args.end(), flags.begin(), flags.end());
        const CliRun run = RunCli(args);
        EXPECT_EQ(run.status, 0) << run.err;
        // Subjects keep the blank after "Subject:"; a message without one gives an empty line.
        EXPECT_EQ(SplitLines(run.out), (Lines{" Hello", " テスト", ""}));
        EXPECT_EQ(run.err, "3 retrieved, 0 failed of 3\n");
        EXPECT_EQ(MailboxMessages(account.user).size(), 3u);
        EXPECT_EQ(account.dir.Names(), std::set<std::string>{"tovik.ini"});  // no copies when keeping
    }
}

TEST(CliFetch, SjisWritesTheDecodedBytesUnconverted)
{
    TOVIK_REQUIRE_DOVECOT();
    const DovecotAccount account({"Subject: " + kTesuto + "\r\n\r\nx\r\n"});
    const CliRun run = RunCli({"fetch", "--ini", account.ini, "--sjis"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, " \x83\x65\x83\x58\x83\x67\n");
}

TEST(CliFetch, DeleteEmptiesTheMailboxAfterSavingEachMessage)
{
    TOVIK_REQUIRE_DOVECOT();
    const DovecotAccount account(kThreeMessages);
    const TempDir saved;
    const CliRun run = RunCli({"fetch", "--ini", account.ini, "--delete", "--dir", saved.Path()});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(SplitLines(run.out), (Lines{" Hello", " テスト", ""}));
    EXPECT_EQ(run.err, "3 retrieved, 0 failed of 3\n");
    EXPECT_TRUE(MailboxMessages(account.user).empty());
    EXPECT_EQ(saved.Names(), (std::set<std::string>{"Message1.eml", "Message2.eml", "Message3.eml"}));
    EXPECT_NE(ReadFileBytes(saved.Path() + "Message2.eml").find("second"), std::string::npos);
}

TEST(CliFetch, AttachmentsGoToDirOrElseTheWorkingDirectory)
{
    TOVIK_REQUIRE_DOVECOT();
    for (const bool withDir : {true, false}) {
        SCOPED_TRACE(withDir ? "--dir" : "working directory");
        const DovecotAccount account({kWithAttachment});
        const TempDir work;
        const TempDir target;
        Lines args = {"fetch", "--ini", account.ini};
        if (withDir)
            args.insert(args.end(), {"--dir", target.Path()});
        const CliRun run = RunCli(args, {.workDir = work.Path()});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, " files\n");
        const TempDir& filesIn = withDir ? target : work;
        EXPECT_EQ(ReadFileBytes(filesIn.Path() + "report.txt"), "hello world\n");
        if (withDir) {
            EXPECT_TRUE(work.Names().empty());
        }
    }
}

TEST(CliFetch, MissingDirectoryIsRefusedBeforeConnecting)
{
    const TempDir dir;
    const std::string ini = WriteIni(dir, {{.name = "box", .port = 1}});
    const CliRun run = RunCli({"fetch", "--ini", ini, "--dir", dir.Path() + "absent"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "tovik-cli: no directory " + dir.Path() + "absent\n");
}

TEST(CliFetch, FailedMessageIsListedAndTheRunGoesOn)
{
    ScriptedServer server(Session("3", Concat({{"C: RETR 1"}, Message("One"),
                                               {"C: RETR 2", "S: -ERR no such message"},
                                               {"C: RETR 3"}, Message("Three"),
                                               {"C: QUIT", "S: +OK"}})));
    const TempDir dir;
    const CliRun run = RunCli({"fetch", "--ini", ScriptedIni(dir, server), "--dir", dir.Path()});
    EXPECT_EQ(run.status, 1);
    // The refused RETR still ends with a retrieve-end event, which lists the
    // Subject the message record still holds, as the window does.
    EXPECT_EQ(SplitLines(run.out), (Lines{" One", " One", " Three"}));
    EXPECT_EQ(SplitLines(run.err), (Lines{"-ERR no such message", "2 retrieved, 1 failed of 3"}));
    ASSERT_TRUE(server.WaitFinished());
    EXPECT_EQ(server.Mismatches(), Lines{});
}

TEST(CliFetch, FailingMessageOnARealServer)
{
    TOVIK_REQUIRE_DOVECOT();
    // A base64 body that yields no file under --parse fails with the list's index error.
    const DovecotAccount account({"Subject: ok\r\n\r\nfine\r\n",
                                  "Subject: empty\r\nContent-Transfer-Encoding: base64\r\n\r\n"});
    const CliRun run = RunCli({"fetch", "--ini", account.ini, "--parse", "--dir", account.dir.Path()});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(SplitLines(run.out), (Lines{" ok", " empty"}));
    EXPECT_EQ(SplitLines(run.err), (Lines{"List index out of bounds (0)", "1 retrieved, 1 failed of 2"}));
    EXPECT_EQ(MailboxMessages(account.user).size(), 2u);
}

TEST(CliFetch, LostConnectionFailsTheRestButTheRunCountsThemAll)
{
    ScriptedServer server(Session("3", Concat({{"C: RETR 1"}, Message("One"),
                                               {"C: RETR 2", "S: +OK", "S: Subject: Two", "RESET"}})));
    const TempDir dir;
    const CliRun run = RunCli({"fetch", "--ini", ScriptedIni(dir, server), "--dir", dir.Path()});
    EXPECT_EQ(run.status, 1);
    const Lines err = SplitLines(run.err);
    ASSERT_EQ(err.size(), 3u) << run.err;
    EXPECT_EQ(err[1], "Not Connected");
    EXPECT_EQ(err[2], "1 retrieved, 2 failed of 3");
    EXPECT_EQ(SplitLines(run.out).front(), " One");
}

TEST(CliFetch, EmptyMailboxRetrievesNothingAndSaysGoodbye)
{
    ScriptedServer server(Session("0", {"C: QUIT", "S: +OK"}));
    const TempDir dir;
    const CliRun run = RunCli({"fetch", "--ini", ScriptedIni(dir, server)});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "0 retrieved, 0 failed of 0\n");
    ASSERT_TRUE(server.WaitFinished());
    EXPECT_EQ(server.Received().back(), "QUIT");
}

TEST(CliFetch, RefusedQuitAfterDeletingIsAnError)
{
    // Without a good QUIT the server does not commit the deletions.
    ScriptedServer server(Session("1", Concat({{"C: RETR 1"}, Message("One"), {"C: DELE 1", "S: +OK"},
                                               {"C: QUIT", "S: -ERR cannot commit"}})));
    const TempDir dir;
    const CliRun run = RunCli({"fetch", "--ini", ScriptedIni(dir, server), "--delete", "--dir", dir.Path()});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, " One\n");
    EXPECT_EQ(SplitLines(run.err),
              (Lines{"1 retrieved, 0 failed of 1",
                     "tovik-cli: 127.0.0.1:" + std::to_string(server.Port()) + ": QUIT failed: -ERR cannot commit"}));
}

TEST(CliFetch, ControlCharactersInASubjectCannotReachTheTerminal)
{
    // ESC sequences and a CR in a mail header are shown, not obeyed.
    ScriptedServer server(Session("1", {"C: RETR 1", "S: +OK", "S< Subject: a\x1b[2Jb\rc\r\n", "S:", "S: .",
                                        "C: QUIT", "S: +OK"}));
    const TempDir dir;
    const CliRun run = RunCli({"fetch", "--ini", ScriptedIni(dir, server), "--dir", dir.Path()});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, " a?[2Jb?c\n");
}

TEST(CliFetchProgress, DrawnAndErasedOnATerminalOnly)
{
    const Lines transcript =
        Session("2", Concat({{"C: RETR 1"}, Message("One"), {"C: RETR 2"}, Message("Two"), {"C: QUIT", "S: +OK"}}));
    const std::string summary = "2 retrieved, 0 failed of 2\n";
    {
        ScriptedServer server(transcript);
        const TempDir dir;
        const CliRun run = RunCli({"fetch", "--ini", ScriptedIni(dir, server), "--dir", dir.Path()},
                                  {.stderrOnTerminal = true});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(SplitLines(run.out), (Lines{" One", " Two"}));
        EXPECT_NE(run.err.find("\r\x1b[K1/2"), std::string::npos) << testing::PrintToString(run.err);
        // The line is erased before the summary, which stands alone.
        EXPECT_TRUE(run.err.ends_with("\r\x1b[K" + summary)) << testing::PrintToString(run.err);
    }
    {
        ScriptedServer server(transcript);
        const TempDir dir;
        const CliRun run = RunCli({"fetch", "--ini", ScriptedIni(dir, server), "--dir", dir.Path()});
        EXPECT_EQ(run.err, summary);
    }
}

}  // namespace
