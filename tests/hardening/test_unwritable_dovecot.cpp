// Retrieval with DeleteOnRead into a directory that cannot take the files:
// one that cannot be created, one the user may not write, and a disk that
// fills up in the middle of a file. The message that cannot be saved fails
// with a clear error and stays on the server; the run goes on with the next.
// The driver runs as a child process, so that the limits and the user it
// runs under are its own.

#include "driver_process.h"
#include "mail_text.h"

#include "pop3/temp_dir.h"
#include "support/dovecot_mailbox.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <regex>

namespace {

using namespace std::chrono_literals;

enum class Obstacle { ParentIsAFile, ReadOnlyForAnUnprivilegedUser, DiskFullAt64KiB };

struct UnwritableCase {
    const char* name;
    Obstacle obstacle;
    bool bigIsMultipart;  // the big message carries a big attachment; else it is one big text
    const char* firstLine;  // the driver's line for the big message, a regex
    bool smallSaved;        // whether the small message after it gets through
};

void PrintTo(const UnwritableCase& c, std::ostream* os) { *os << c.name; }

const UnwritableCase kCases[] = {
    {"parent_is_a_file", Obstacle::ParentIsAFile, false,
     R"(1 failed: Cannot save a copy of message 1, so it was not deleted: Cannot create file ".*"\. Not a directory)", false},
    {"parent_is_a_file_for_an_attachment", Obstacle::ParentIsAFile, true,
     R"(1 failed: Cannot create file ".*/Temp[0-9]+\.mme"\. Not a directory)", false},
    {"read_only_for_an_unprivileged_user", Obstacle::ReadOnlyForAnUnprivilegedUser, false,
     R"(1 failed: Cannot save a copy of message 1, so it was not deleted: Cannot create file ".*"\. Permission denied)", false},
    {"disk_full_while_saving_the_copy", Obstacle::DiskFullAt64KiB, false,
     R"(1 failed: Cannot save a copy of message 1, so it was not deleted: Cannot write file ".*"\. File too large)", true},
    {"disk_full_while_writing_an_attachment", Obstacle::DiskFullAt64KiB, true,
     R"(1 failed: Cannot write file ".*/Temp[0-9]+\.mme"\. File too large)", true},
};

std::string BigMessage(bool multipart)
{
    Lines lines;
    for (int i = 0; i < 4000; ++i)
        lines.push_back("line " + std::to_string(i) + " " + std::string(70, static_cast<char>('a' + i % 26)));
    if (!multipart)
        return CrLf({"Subject: big", ""}) + CrLf(lines);
    return MultipartMessage("=_big", {{{"Content-Type: text/plain"}, {"see the attachment"}},
                                      {{"Content-Type: text/plain; name=\"big.txt\""}, lines}});
}

class DovecotUnwritable : public ::testing::TestWithParam<UnwritableCase> {};

TEST_P(DovecotUnwritable, MessageThatCannotBeSavedStaysOnTheServer)
{
    TOVIK_REQUIRE_DOVECOT();
    const UnwritableCase& c = GetParam();
    if (c.obstacle == Obstacle::ReadOnlyForAnUnprivilegedUser && ::geteuid() != 0)
        GTEST_SKIP() << "dropping to an unprivileged user needs root";

    const std::string big = BigMessage(c.bigIsMultipart);
    const std::string small = CrLf({"Subject: small", "", "fits anywhere"});
    const std::string user = NewMailbox({big, small});

    const TempDir root;
    ::chmod(root.Path().c_str(), 0755);  // an unprivileged user may look, not write
    DriverOptions options;
    options.port = DovecotPort();
    options.user = user;
    options.password = kDovecotPassword;
    options.dir = root.Path("att");
    switch (c.obstacle) {
    case Obstacle::ParentIsAFile:
        WriteFileBytes(root.Path() + "file", "a regular file");
        options.dir = root.Path() + "file/att/";
        break;
    case Obstacle::ReadOnlyForAnUnprivilegedUser:
        options.runAs = 65534;
        break;
    case Obstacle::DiskFullAt64KiB:
        options.fileSizeLimit = 64 * 1024;
        break;
    }

    DriverProcess driver(options);
    const Lines lines = driver.ReadAll(20s);
    EXPECT_EQ(driver.Wait(5s), 1) << "one step failed, and the driver said so";
    ASSERT_EQ(lines.size(), 4U) << CrLf(lines);
    EXPECT_EQ(lines[0], "connected 2");
    EXPECT_TRUE(std::regex_match(lines[1], std::regex(c.firstLine))) << lines[1];
    if (c.smallSaved)
        EXPECT_EQ(lines[2], "2 ok");
    else
        EXPECT_TRUE(lines[2].starts_with("2 failed: ")) << lines[2];
    EXPECT_EQ(lines[3], "quit ok");

    EXPECT_EQ(MailboxMessages(user), c.smallSaved ? Lines{big} : (Lines{big, small}));
    // No copy of the big message, not even a part of one, under a copy's name.
    const Lines copies = SavedCopies(options.dir);
    EXPECT_EQ(copies.size(), c.smallSaved ? 1U : 0U);
    if (c.smallSaved) {
        EXPECT_NE(FindSavedCopy(options.dir, small), "");
    }
}

INSTANTIATE_TEST_SUITE_P(Obstacles, DovecotUnwritable, ::testing::ValuesIn(kCases),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
