#pragma once
// Mailboxes on the private Dovecot that scripts/dovecot.sh starts for CTest.
// The fixture sets TOVIK_DOVECOT_STATE to its state directory, whose "env"
// file gives the port and the mail root. Every user name logs in with the
// password "pass"; a user's mail is MAILROOT/<user>/Maildir.
//
// In a test that needs the server:
//   TOVIK_REQUIRE_DOVECOT();
//   const std::string user = NewMailbox({"Subject: a\r\n\r\nbody\r\n"});
//   ... connect to 127.0.0.1:DovecotPort() as user / "pass" ...
//   EXPECT_TRUE(MailboxMessages(user).empty());  // after DELE and QUIT

#include <gtest/gtest.h>

#include <string>
#include <vector>

inline constexpr char kDovecotPassword[] = "pass";

// True when TOVIK_DOVECOT_STATE names a started server.
bool DovecotConfigured();
// Why DovecotConfigured() is false, for the test's message.
std::string DovecotNotConfiguredReason();
// True when running under CI (CI=true), where a missing server is a failure.
bool RunningUnderCi();
int DovecotPort();
std::string DovecotMailRoot();
// TLS: the port that speaks TLS at once (the plain port offers STLS), and the
// private CA that issued the server's certificate, which names "localhost" only.
int DovecotPop3sPort();
std::string DovecotCaFile();

// Makes a user that no test has used yet, holding the given messages (text
// with CR LF or LF line ends) so that POP3 message n is messages[n - 1].
// Returns the user name. Throws std::runtime_error when it cannot.
std::string NewMailbox(const std::vector<std::string>& messages);

// The messages still stored for user, in their POP3 order.
std::vector<std::string> MailboxMessages(const std::string& user);

// Skips the test when no server is configured, but fails it under CI.
#define TOVIK_REQUIRE_DOVECOT()                                                                 \
    do {                                                                                        \
        if (!DovecotConfigured()) {                                                             \
            if (RunningUnderCi()) FAIL() << "Dovecot is required: " << DovecotNotConfiguredReason(); \
            GTEST_SKIP() << "no Dovecot: " << DovecotNotConfiguredReason();                     \
        }                                                                                       \
    } while (false)
