#pragma once
// The account table and the account-name list, filled once from tovik.ini.

#include <array>
#include <string>

// Our extension: how an account's connection is protected ("ssl" key).
enum class TAccountSecurity { None, Pop3s, StartTls, Unknown };

struct Thostrec {
    std::string hostName;
    std::string popServer;
    std::string userId;
    std::string password;
    // Our extensions, optional keys of the account's section:
    int port = 110;                                         // "port"; 995 for pop3s
    TAccountSecurity security = TAccountSecurity::None;     // "ssl": none, pop3s, starttls
    std::string securityText;                               // "ssl" as written, for messages
    bool verify = true;                                     // "verify": no turns certificate checks off
    std::string caFile;                                     // "cafile": trust only these certificates
};

// Records are indexed 1 to 5; index 0 is an always-empty spare, so that the
// record "before the first" exists and reads empty.
class Thostdata {
public:
    int hostCount = 0;
    std::array<Thostrec, 6> hosts{};
};

class Tinidata {
public:
    int hostCount = 0;
    std::array<std::string, 6> hostNames{};
};
