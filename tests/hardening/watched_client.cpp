#include "watched_client.h"

#include "platform/exception.h"

#include <typeinfo>

void WatchedClient::Transaction(const std::string& Command, std::string& Reply)
{
    commands.push_back(Command);
    if (Command.starts_with("DELE ")) {
        const int number = std::stoi(Command.substr(5));
        deles.push_back({number, Original ? FindSavedCopy(AttachFilePath(), Original(number)) : std::string()});
    }
    TPop3Client::Transaction(Command, Reply);
}

namespace {

const char* ClassName(const std::exception& error)
{
    if (dynamic_cast<const EAbortError*>(&error))
        return "EAbortError";
    if (dynamic_cast<const ESockError*>(&error))
        return "ESockError";
    if (dynamic_cast<const EFileError*>(&error))
        return "EFileError";
    if (dynamic_cast<const EListError*>(&error))
        return "EListError";
    if (dynamic_cast<const Exception*>(&error))
        return "Exception";
    return typeid(error).name();
}

std::string Visible(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

}  // namespace

std::string DescribeFailure(const std::string& stage, const std::exception& error)
{
    return stage + ": " + ClassName(error) + ": " + Visible(error.what());
}

SessionResult RunSession(WatchedClient& client)
{
    SessionResult result;
    int current = 0;
    client.OnDisconnect = [&](TComponent*) { ++result.disconnects; };
    client.OnRetrieveStart = [&](TComponent*) { result.retrieveEvents.push_back("start " + std::to_string(current)); };
    client.OnRetrieveEnd = [&](TComponent*) { result.retrieveEvents.push_back("end " + std::to_string(current)); };

    try {
        client.Connect();
    } catch (const std::exception& e) {
        result.failures.push_back(DescribeFailure("connect", e));
        return result;
    }
    const int count = client.MessageCount();
    for (current = 1; current <= count; ++current) {
        try {
            client.RetrieveMessage(current);
        } catch (const std::exception& e) {
            result.failures.push_back(DescribeFailure("retrieve " + std::to_string(current), e));
        }
    }
    try {
        client.Disconnect();
    } catch (const std::exception& e) {
        result.failures.push_back(DescribeFailure("quit", e));
    }
    return result;
}

void SetUpDeletingClient(WatchedClient& client, int port, const std::string& dir, int timeOutMs)
{
    client.Host = "127.0.0.1";
    client.Port = port;
    client.UserID = "joe";
    client.Password = "pw";
    client.DeleteOnRead = true;
    client.TimeOut = timeOutMs;
    client.SetAttachFilePath(dir);
}
