#include "app/settings.h"

#include "platform/exception.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

namespace {

namespace fs = std::filesystem;

class Settings : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "tovik-settings-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        path_ = (dir_ / "tovik.ini").string();
        HostData = &hostData_;
        IniData = &iniData_;
    }
    void TearDown() override
    {
        HostData = nullptr;
        IniData = nullptr;
        fs::remove_all(dir_);
    }

    void Write(const std::string& content) const
    {
        std::ofstream file(path_, std::ios::binary | std::ios::trunc);
        file << content;
    }

    bool Load() const { return LoadSettings(path_); }

    void ExpectNothingLoaded() const
    {
        EXPECT_EQ(iniData_.hostCount, 0);
        EXPECT_EQ(hostData_.hostCount, 0);
        for (std::size_t n = 0; n < 6; ++n) {
            EXPECT_EQ(iniData_.hostNames[n], "") << n;
            EXPECT_EQ(hostData_.hosts[n].hostName, "") << n;
            EXPECT_EQ(hostData_.hosts[n].popServer, "") << n;
            EXPECT_EQ(hostData_.hosts[n].userId, "") << n;
            EXPECT_EQ(hostData_.hosts[n].password, "") << n;
        }
    }

    void ExpectHost(std::size_t n, const std::string& name, const std::string& server, const std::string& id,
                    const std::string& password) const
    {
        SCOPED_TRACE(::testing::Message() << "host " << n);
        EXPECT_EQ(iniData_.hostNames[n], name);
        EXPECT_EQ(hostData_.hosts[n].hostName, name);
        EXPECT_EQ(hostData_.hosts[n].popServer, server);
        EXPECT_EQ(hostData_.hosts[n].userId, id);
        EXPECT_EQ(hostData_.hosts[n].password, password);
    }

    fs::path dir_;
    std::string path_;
    Thostdata hostData_;
    Tinidata iniData_;
};

// Five complete accounts; the count line is put in front.
std::string FiveAccounts(const std::string& countLine)
{
    std::string ini = "[SetInfo]\n" + countLine + "\n";
    for (int n = 1; n <= 5; ++n)
        ini += "host" + std::to_string(n) + "=acct" + std::to_string(n) + "\n";
    for (int n = 1; n <= 5; ++n) {
        const std::string k = std::to_string(n);
        ini += "[acct" + k + "]\nhost_pop=pop" + k + ".example\nid=user" + k + "\npasswd=pw" + k + "\n";
    }
    return ini;
}

TEST_F(Settings, MissingFileReturnsFalseAndLoadsNothing)
{
    EXPECT_FALSE(Load());
    ExpectNothingLoaded();

    fs::create_directory(path_);  // a directory of that name is no settings file
    EXPECT_FALSE(Load());
    ExpectNothingLoaded();
}

TEST_F(Settings, FiveAccountsFillEveryRecordInOrder)
{
    Write(FiveAccounts("count=5"));
    EXPECT_TRUE(Load());
    EXPECT_EQ(iniData_.hostCount, 5);
    EXPECT_EQ(hostData_.hostCount, 5);
    for (std::size_t n = 1; n <= 5; ++n) {
        const std::string k = std::to_string(n);
        ExpectHost(n, "acct" + k, "pop" + k + ".example", "user" + k, "pw" + k);
        EXPECT_EQ(hostData_.hosts[n].port, 110);
    }
    EXPECT_EQ(hostData_.hosts[0].hostName, "") << "the spare record before the first stays empty";
    EXPECT_EQ(iniData_.hostNames[0], "");
}

class RejectedCount : public Settings, public ::testing::WithParamInterface<const char*> {};

TEST_P(RejectedCount, LoadsNothingAndStillReportsTheFile)
{
    Write(FiveAccounts(GetParam()));
    EXPECT_TRUE(Load());
    ExpectNothingLoaded();
}

INSTANTIATE_TEST_SUITE_P(Counts, RejectedCount,
                         ::testing::Values("count=0", "count=6", "count=-1", "count=$FFFFFFFF", "; no count"));

struct BadCount {
    const char* line;
    const char* message;
};

void PrintTo(const BadCount& c, std::ostream* os)
{
    *os << c.line;
}

class NonNumericCount : public Settings, public ::testing::WithParamInterface<BadCount> {};

TEST_P(NonNumericCount, RaisesTheConversionErrorWithTheTextRead)
{
    Write(FiveAccounts(GetParam().line));
    try {
        Load();
        FAIL() << "no EConvertError";
    } catch (const EConvertError& error) {
        EXPECT_EQ(error.Message(), GetParam().message);
    }
    ExpectNothingLoaded();
}

INSTANTIATE_TEST_SUITE_P(
    Counts, NonNumericCount,
    ::testing::Values(BadCount{"count=abc", "'abc' is not a valid integer value"},
                      BadCount{"count=", "'' is not a valid integer value"},
                      BadCount{"count=\"\"", "'' is not a valid integer value"},
                      BadCount{"count= 2x ", "'2x' is not a valid integer value"},
                      BadCount{"count=1.0", "'1.0' is not a valid integer value"},
                      BadCount{"count=- 2", "'- 2' is not a valid integer value"},
                      BadCount{"count=+", "'+' is not a valid integer value"},
                      BadCount{"count=$", "'$' is not a valid integer value"},
                      BadCount{"count=0x2", "'0x2' is not a valid integer value"},
                      BadCount{"count=2147483648", "'2147483648' is not a valid integer value"},
                      BadCount{"count=$100000000", "'$100000000' is not a valid integer value"}));

class NumericCount : public Settings, public ::testing::WithParamInterface<const char*> {};

TEST_P(NumericCount, AcceptsTheWholeNumberForms)
{
    Write(FiveAccounts(GetParam()));
    EXPECT_TRUE(Load());
    EXPECT_EQ(iniData_.hostCount, 2);
    EXPECT_EQ(hostData_.hostCount, 2);
}

INSTANTIATE_TEST_SUITE_P(Counts, NumericCount,
                         ::testing::Values("count=2", "count=+2", "count=002", "count=$2", "count=$02",
                                           "count=\"2\"", "COUNT = 2"));

TEST_F(Settings, AccountsAboveTheCountAreIgnored)
{
    Write(FiveAccounts("count=2"));
    EXPECT_TRUE(Load());
    ExpectHost(1, "acct1", "pop1.example", "user1", "pw1");
    ExpectHost(2, "acct2", "pop2.example", "user2", "pw2");
    for (std::size_t n = 3; n <= 5; ++n)
        ExpectHost(n, "", "", "", "");
}

TEST_F(Settings, MissingNameKeyGivesAnEmptyAccountThatStillCounts)
{
    Write("[SetInfo]\ncount=3\nhost1=a\nhost2=b\n"
          "[a]\nhost_pop=pa\n[b]\nhost_pop=pb\n"
          "[]\nhost_pop=nameless\nid=nameless\n");
    EXPECT_TRUE(Load());
    EXPECT_EQ(iniData_.hostCount, 3);
    EXPECT_EQ(hostData_.hostCount, 3);
    ExpectHost(1, "a", "pa", "", "");
    ExpectHost(2, "b", "pb", "", "");
    ExpectHost(3, "", "", "", "");
}

TEST_F(Settings, MissingSectionOrKeysGiveEmptyFields)
{
    Write("[SetInfo]\ncount=2\nhost1=nosection\nhost2=partial\n[partial]\nid=\npasswd=secret\n");
    EXPECT_TRUE(Load());
    ExpectHost(1, "nosection", "", "", "");
    ExpectHost(2, "partial", "", "", "secret");
}

TEST_F(Settings, TwoNamesForOneSectionGiveTwoEqualAccounts)
{
    Write("[SetInfo]\ncount=2\nhost1=same\nhost2=SAME\n[same]\nhost_pop=pop\nid=me\npasswd=pw\n");
    EXPECT_TRUE(Load());
    ExpectHost(1, "same", "pop", "me", "pw");
    ExpectHost(2, "SAME", "pop", "me", "pw");
}

TEST_F(Settings, ValuesKeepAtMost254Bytes)
{
    const std::string longName(40, 'n');  // beyond the original 31 bytes: accepted whole
    const std::string longPassword(300, 'p');
    Write("[SetInfo]\ncount=1\nhost1=" + longName + "\n[" + longName + "]\nhost_pop=" + std::string(254, 's') +
          "\npasswd=" + longPassword + "\n");
    EXPECT_TRUE(Load());
    ExpectHost(1, longName, std::string(254, 's'), "", std::string(254, 'p'));
}

TEST_F(Settings, ReadsWindowsStyleFiles)
{
    // CR LF, other letter case, blanks, quotes, comments, Shift-JIS names.
    const std::string sjisName = "\x83\x65\x83\x58\x83\x67";  // テスト
    Write("; accounts\r\n[setinfo]\r\n Count = 2 \r\nHOST1 = \"" + sjisName + "\"\r\nhost2='Work Mail'\r\n\r\n[" +
          sjisName + "]\r\nHost_Pop = mail.example.jp \r\nID=\"user\"\r\nPasswd = \" two words \"\r\n"
                     "[work mail]\r\nhost_pop=pop.example.com\r\n");
    EXPECT_TRUE(Load());
    ExpectHost(1, sjisName, "mail.example.jp", "user", " two words ");
    ExpectHost(2, "Work Mail", "pop.example.com", "", "");
}

struct PortCase {
    const char* line;
    int port;
};

void PrintTo(const PortCase& c, std::ostream* os)
{
    *os << c.line;
}

class AccountPort : public Settings, public ::testing::WithParamInterface<PortCase> {};

TEST_P(AccountPort, IsReadWhenUsableElse110)
{
    Write(std::string("[SetInfo]\ncount=1\nhost1=a\n[a]\nhost_pop=p\n") + GetParam().line + "\n");
    EXPECT_TRUE(Load());
    EXPECT_EQ(hostData_.hosts[1].port, GetParam().port);
    EXPECT_EQ(hostData_.hosts[1].popServer, "p");
}

INSTANTIATE_TEST_SUITE_P(Ports, AccountPort,
                         ::testing::Values(PortCase{"", 110}, PortCase{"port=995", 995}, PortCase{"PORT = 1", 1},
                                           PortCase{"port=65535", 65535}, PortCase{"port=$1F90", 8080},
                                           PortCase{"port=", 110}, PortCase{"port=0", 110},
                                           PortCase{"port=65536", 110}, PortCase{"port=-995", 110},
                                           PortCase{"port=pop3", 110}));

struct SecurityCase {
    const char* lines;
    TAccountSecurity security;
    int port;
    bool verify;
};

void PrintTo(const SecurityCase& c, std::ostream* os)
{
    *os << c.lines;
}

class AccountSecurity : public Settings, public ::testing::WithParamInterface<SecurityCase> {};

TEST_P(AccountSecurity, IsReadWithItsStandardPortAndVerificationOnUnlessTurnedOff)
{
    Write(std::string("[SetInfo]\ncount=1\nhost1=a\n[a]\nhost_pop=p\n") + GetParam().lines);
    EXPECT_TRUE(Load());
    const Thostrec& host = hostData_.hosts[1];
    EXPECT_EQ(host.security, GetParam().security);
    EXPECT_EQ(host.port, GetParam().port);
    EXPECT_EQ(host.verify, GetParam().verify);
}

INSTANTIATE_TEST_SUITE_P(
    Security, AccountSecurity,
    ::testing::Values(SecurityCase{"", TAccountSecurity::None, 110, true},
                      SecurityCase{"ssl=none\n", TAccountSecurity::None, 110, true},
                      SecurityCase{"ssl=pop3s\n", TAccountSecurity::Pop3s, 995, true},
                      SecurityCase{"SSL = POP3S\nport=1995\n", TAccountSecurity::Pop3s, 1995, true},
                      SecurityCase{"ssl=starttls\n", TAccountSecurity::StartTls, 110, true},
                      SecurityCase{"ssl=starttls\nverify=no\n", TAccountSecurity::StartTls, 110, false},
                      SecurityCase{"ssl=pop3s\nverify=yes\n", TAccountSecurity::Pop3s, 995, true},
                      SecurityCase{"ssl=pop3s\nverify=maybe\n", TAccountSecurity::Pop3s, 995, true},
                      // A typo must not quietly fall back to plain text.
                      SecurityCase{"ssl=tls\n", TAccountSecurity::Unknown, 110, true}));

TEST_F(Settings, LoadingWithoutTheGlobalObjectsIsAProgrammingError)
{
    Write(FiveAccounts("count=5"));
    HostData = nullptr;
    EXPECT_THROW(LoadSettings(path_), std::logic_error);
    HostData = &hostData_;
    IniData = nullptr;
    EXPECT_THROW(LoadSettings(path_), std::logic_error);
    IniData = &iniData_;
    ExpectNothingLoaded();
}

TEST(ProgramDirectory, IsTheDirectoryOfTheRunningProgram)
{
    const std::string directory = ProgramDirectory();
    ASSERT_FALSE(directory.empty());
    EXPECT_EQ(directory.back(), '/');
    EXPECT_TRUE(fs::exists(directory + "test_settings"));
}

}  // namespace
