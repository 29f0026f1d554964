#pragma once
// tovik.ini files for the tests, written into the test's own directory.

#include "pop3/temp_dir.h"

#include <string>
#include <vector>

struct IniAccount {
    std::string name;  // Shift-JIS bytes, as in the real file
    std::string server = "127.0.0.1";
    std::string id = "joe";
    std::string password = "pw";
    int port = 0;  // 0: no port key
    std::string extraKeys{};  // more "key=value\r\n" lines of the section
};

// The text of a settings file listing the accounts; count is their number
// unless countText says otherwise.
inline std::string IniText(const std::vector<IniAccount>& accounts, const std::string& countText = "")
{
    std::string text = "[SetInfo]\r\ncount=" + (countText.empty() ? std::to_string(accounts.size()) : countText) + "\r\n";
    for (std::size_t n = 0; n < accounts.size(); ++n)
        text += "host" + std::to_string(n + 1) + "=" + accounts[n].name + "\r\n";
    for (const IniAccount& a : accounts) {
        text += "\r\n[" + a.name + "]\r\nhost_pop=" + a.server + "\r\nid=" + a.id + "\r\npasswd=" + a.password + "\r\n";
        if (a.port != 0)
            text += "port=" + std::to_string(a.port) + "\r\n";
        text += a.extraKeys;
    }
    return text;
}

// Writes dir/tovik.ini and returns its path.
inline std::string WriteIni(const TempDir& dir, const std::vector<IniAccount>& accounts,
                            const std::string& countText = "")
{
    const std::string path = dir.Path() + "tovik.ini";
    WriteFileBytes(path, IniText(accounts, countText));
    return path;
}
