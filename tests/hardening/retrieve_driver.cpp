// A minimal retrieval run for the tests that kill or starve a real process:
// logs in, retrieves (and so deletes) every message, says goodbye, and prints
// one line per step as soon as the step is over.
//
//   retrieve_driver PORT USER PASSWORD DIR [TIMEOUT_MS [LIMIT]]
//
// Output: "connected N", then "n ok" or "n failed: text" per message, then
// "quit ok" or "quit failed: text". Exit status 0 when everything succeeded,
// 1 when a step failed, 2 when the arguments are wrong or the login failed.

#include "platform/exception.h"
#include "pop3/pop3_client.h"

#include <cstdlib>
#include <iostream>
#include <string>

namespace {

// Keeps every failure on one output line.
std::string OneLine(const std::string& text)
{
    std::string out;
    for (const char c : text)
        out += c == '\r' ? std::string("\\r") : c == '\n' ? std::string("\\n") : std::string(1, c);
    return out;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 5 || argc > 7) {
        std::cerr << "usage: retrieve_driver PORT USER PASSWORD DIR [TIMEOUT_MS [LIMIT]]\n";
        return 2;
    }
    TPop3Client client;
    client.Host = "127.0.0.1";
    client.Port = std::atoi(argv[1]);
    client.UserID = argv[2];
    client.Password = argv[3];
    client.SetAttachFilePath(argv[4]);
    client.DeleteOnRead = true;
    client.TimeOut = argc > 5 ? std::atoi(argv[5]) : 10000;
    const int limit = argc > 6 ? std::atoi(argv[6]) : -1;

    try {
        client.Connect();
    } catch (const Exception& e) {
        std::cout << "connect failed: " << OneLine(e.Message()) << std::endl;
        return 2;
    }
    std::cout << "connected " << client.MessageCount() << std::endl;

    bool allOk = true;
    const int count = limit >= 0 && limit < client.MessageCount() ? limit : client.MessageCount();
    for (int n = 1; n <= count; ++n) {
        try {
            client.RetrieveMessage(n);
            std::cout << n << " ok" << std::endl;
        } catch (const Exception& e) {
            allOk = false;
            std::cout << n << " failed: " << OneLine(e.Message()) << std::endl;
        }
    }
    try {
        client.Disconnect();
        std::cout << "quit ok" << std::endl;
    } catch (const Exception& e) {
        allOk = false;
        std::cout << "quit failed: " << OneLine(e.Message()) << std::endl;
    }
    return allOk ? 0 : 1;
}
