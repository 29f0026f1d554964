#pragma once
// A POP3 client that checks, at the moment it sends each DELE, that the
// message's complete copy is already in the attachment directory; and a
// session runner that plays connect, retrieve everything, quit like the
// retrieval run, noting each failure instead of stopping.

#include "mail_text.h"
#include "pop3/pop3_client.h"

#include <functional>
#include <string>
#include <vector>

class WatchedClient : public TPop3Client {
public:
    using TPop3Client::TPop3Client;

    // The original bytes of message n, for judging its saved copy.
    std::function<std::string(int)> Original;

    struct Dele {
        int number;
        std::string copy;  // the complete saved copy found when DELE left, "" if none
    };
    std::vector<Dele> deles;
    std::vector<std::string> commands;  // every command sent through Transaction

    void Transaction(const std::string& Command, std::string& Reply) override;
};

// Points the client at a test server on loopback as user "joe", deleting what
// it retrieves and saving into dir, each wait limited to timeOutMs.
void SetUpDeletingClient(WatchedClient& client, int port, const std::string& dir, int timeOutMs);

// "stage: ExceptionClass: message", with CR and LF shown as \r and \n.
std::string DescribeFailure(const std::string& stage, const std::exception& error);

struct SessionResult {
    std::vector<std::string> failures;  // one per failed step, in order
    int disconnects = 0;                // OnDisconnect events
    Lines retrieveEvents;               // "start n" / "end n"
};

// Connects, retrieves 1..MessageCount, disconnects, as the retrieval run does.
// The client must be set up (host, port, credentials, directory).
SessionResult RunSession(WatchedClient& client);
