#pragma once
// The account table and the account-name list, filled once from tovik.ini.

#include <array>
#include <string>

struct Thostrec {
    std::string hostName;
    std::string popServer;
    std::string userId;
    std::string password;
    int port = 110;  // our extension: optional "port" key of the account
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
