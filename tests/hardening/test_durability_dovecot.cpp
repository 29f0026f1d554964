// A retrieving process killed (SIGKILL) at any point of a DeleteOnRead run
// loses no message: every message is still on the server or saved whole in
// the attachment directory. Unfinished hidden copies may stay behind; they
// are never taken for copies.

#include "driver_process.h"
#include "mail_text.h"

#include "pop3/encoders.h"
#include "pop3/temp_dir.h"
#include "support/dovecot_mailbox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <thread>

namespace {

using namespace std::chrono_literals;

// Sixteen messages of assorted kinds and sizes, each told apart by its Subject.
Lines Originals()
{
    Lines messages;
    for (int i = 0; i < 16; ++i) {
        const std::string id = std::to_string(i);
        const Lines header = {"Subject: durable " + id, "Message-ID: <" + id + "@durability.test>"};
        Lines body;
        const int lines = i % 5 == 0 ? 4000 : 40 + 30 * i;
        for (int k = 0; k < lines; ++k)
            body.push_back((k % 7 == 0 ? "." : "") + std::string(60, static_cast<char>('a' + (i + k) % 26)) + " "
                           + std::to_string(k));
        if (i % 5 == 1) {
            std::string bytes;
            for (int k = 0; k < 40000; ++k)
                bytes += static_cast<char>((k * 31 + i) % 256);
            messages.push_back(MultipartMessage("=_d" + id, {{{"Content-Type: text/plain"}, body},
                                                              {{"Content-Type: application/octet-stream; name=\"a" + id + ".bin\"",
                                                                "Content-Transfer-Encoding: base64"},
                                                               Base64Lines(bytes)}},
                                                header));
        } else {
            Lines all = header;
            all.push_back("");
            all.insert(all.end(), body.begin(), body.end());
            messages.push_back(CrLf(all));
        }
    }
    return messages;
}

// Every saved copy is one of the originals, complete; every original is on
// the server or among the copies. Returns how many are still on the server.
std::size_t ExpectNothingLost(const Lines& originals, const std::string& user, const std::string& dir,
                              const std::string& when)
{
    const std::set<std::string> known(originals.begin(), originals.end());
    std::set<std::string> saved;
    for (const std::string& name : SavedCopies(dir)) {
        const std::string bytes = FileBytes(dir + name);
        EXPECT_TRUE(known.count(bytes)) << when << ": " << name << " is not a complete message (" << bytes.size() << " bytes)";
        saved.insert(bytes);
    }
    const Lines onServer = MailboxMessages(user);
    const std::set<std::string> kept(onServer.begin(), onServer.end());
    for (std::size_t i = 0; i < originals.size(); ++i)
        EXPECT_TRUE(kept.count(originals[i]) || saved.count(originals[i])) << when << ": message " << i << " is lost";
    return onServer.size();
}

enum class KillAt { Never, AfterLines, AfterTheLastMessage, AtRandom };

struct KillPlan {
    std::string label;
    KillAt at;
    int lines = 0;   // AfterLines: output lines read before the kill
    int limit = -1;  // the driver retrieves only this many messages before QUIT
};

DriverOptions OptionsFor(const std::string& user, const std::string& dir, int limit = -1)
{
    DriverOptions options;
    options.port = DovecotPort();
    options.user = user;
    options.password = kDovecotPassword;
    options.dir = dir;
    options.limit = limit;
    return options;
}

TEST(DovecotDurability, KilledRetrievalsNeverLoseAMessage)
{
    TOVIK_REQUIRE_DOVECOT();
    const Lines originals = Originals();
    const std::string user = NewMailbox(originals);
    const TempDir root;
    const std::string dir = root.Path("att");

    const std::vector<KillPlan> plans = {
        {"right after the login", KillAt::AfterLines, 1},
        {"after two messages", KillAt::AfterLines, 3},
        {"never: a run of four that ends with QUIT", KillAt::Never, 0, 4},
        {"after nine messages", KillAt::AfterLines, 10},
        {"at random", KillAt::AtRandom},
        {"at random", KillAt::AtRandom},
        {"at random", KillAt::AtRandom},
        {"at random", KillAt::AtRandom},
        {"at random", KillAt::AtRandom},
        {"at random", KillAt::AtRandom},
        {"as a run of six sends QUIT", KillAt::AfterLines, 7, 6},
        {"after the last message, as QUIT goes out", KillAt::AfterTheLastMessage},
    };
    // Random kills land inside the retrieval, at a share of the time that the
    // whole run has shown it takes after the login.
    std::mt19937 random(20240611);
    std::uniform_real_distribution<double> share(0.0, 0.8);
    std::chrono::duration<double, std::micro> perMessage{0};

    std::size_t waiting = originals.size();
    for (const KillPlan& plan : plans) {
        DriverProcess driver(OptionsFor(user, dir, plan.limit));
        std::string label = plan.label;
        switch (plan.at) {
        case KillAt::AfterLines:
        case KillAt::AfterTheLastMessage: {
            const int lines = plan.at == KillAt::AfterLines ? plan.lines : 1 + static_cast<int>(waiting);
            for (int read = 0; read < lines && driver.ReadLine(20s); ++read) {
            }
            driver.Kill();
            break;
        }
        case KillAt::AtRandom: {
            const auto after = std::chrono::duration_cast<std::chrono::microseconds>(
                share(random) * static_cast<double>(waiting) * perMessage);
            label += ", " + std::to_string(after.count()) + " us after the login";
            driver.ReadLine(20s);
            std::this_thread::sleep_for(after);
            driver.Kill();
            break;
        }
        case KillAt::Never: {
            Lines lines;
            auto loggedIn = std::chrono::steady_clock::now();
            auto lastMessage = loggedIn;
            while (const auto line = driver.ReadLine(20s)) {
                lines.push_back(*line);
                if (line->starts_with("connected "))
                    loggedIn = std::chrono::steady_clock::now();
                else if (!line->starts_with("quit "))
                    lastMessage = std::chrono::steady_clock::now();
            }
            EXPECT_EQ(driver.Wait(5s), 0) << plan.label << ":\n" << CrLf(lines);
            perMessage = (lastMessage - loggedIn) / std::max(plan.limit, 1);
            break;
        }
        }
        const std::size_t before = waiting;
        waiting = ExpectNothingLost(originals, user, dir, "killed " + label);
        if (plan.at == KillAt::Never) {
            EXPECT_EQ(waiting, before - static_cast<std::size_t>(plan.limit)) << "the run deleted what it retrieved";
        }
    }

    // The next whole run takes everything that is left.
    DriverProcess last(OptionsFor(user, dir));
    const Lines lines = last.ReadAll(20s);
    EXPECT_EQ(last.Wait(5s), 0) << CrLf(lines);
    EXPECT_EQ(ExpectNothingLost(originals, user, dir, "after the last run"), 0U);
    for (std::size_t i = 0; i < originals.size(); ++i)
        EXPECT_NE(FindSavedCopy(dir, originals[i]), "") << "message " << i << " has no saved copy";
}

}  // namespace
