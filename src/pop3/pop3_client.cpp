// Construction, login and logout of the POP3 client.

#include "pop3/pop3_client.h"

#include "platform/nth_word.h"
#include "pop3/pop3_reply.h"

#include <charconv>

namespace {
// STAT's count field: a whole number, or 0 when it is empty or carries
// anything else (such as the line end of a reply without a size).
int ParseCount(const std::string& field)
{
    int value = 0;
    const char* first = field.data();
    const char* last = first + field.size();
    const auto [end, error] = std::from_chars(first, last, value);
    if (field.empty() || error != std::errc() || end != last)
        return 0;
    return value;
}
}  // namespace

TPop3Client::TPop3Client(TComponent* Owner, WaitPump* pump)
    : TSocketBase(Owner, pump),
      mailMessage_(std::make_unique<TMailMessage>()),
      summary_(std::make_unique<TSummary>()),
      uuProcessor_(std::make_unique<TUUProcessor>(this))
{
    Port = 110;
}

TPop3Client::~TPop3Client()
{
    // Close without QUIT and without OnDisconnect.
    BeginDestroy();
    Abort();
}

void TPop3Client::SetAttachFilePath(const std::string& Path)
{
    attachFilePath_ = Path;
    if (!attachFilePath_.empty() && attachFilePath_.back() != '/')
        attachFilePath_ += '/';
}

bool TPop3Client::CheckAuthReply(const std::string& Reply, int& FailureCount)
{
    if (IsOkReply(Reply))
        return true;
    // The text of a rejected reply never reaches the caller.
    if (FailureCount > 0 || !OnAuthenticationFailed)
        throw Exception("Authentication failed");
    bool handled = false;
    OnAuthenticationFailed(handled);
    if (!handled)
        throw Exception("Authentication failed");
    ++FailureCount;
    return false;
}

void TPop3Client::Connect()
{
    // Credentials: one chance for the application to supply them.
    bool askedForCredentials = false;
    while (Password.empty() || UserID.empty()) {
        if (!OnAuthenticationNeeded)
            throw Exception("Authentication failed");
        if (askedForCredentials)
            break;
        askedForCredentials = true;
        bool handled = false;
        OnAuthenticationNeeded(handled);
        if (!handled)
            throw Exception("Authentication failed");
    }

    const bool nested = busy_;
    busy_ = true;
    bool loggedIn = false;
    // Clears Busy and raises OnConnect however Connect ends.
    const auto cleanUp = [&] {
        if (!nested)
            busy_ = false;
        if (loggedIn)
            Raise(OnConnect, this);
    };

    try {
        UseTls = Security == TPop3Security::Pop3s;
        TSocketBase::Connect();
    } catch (...) {
        cleanUp();
        throw;
    }

    try {
        std::string reply;
        ReadLn(reply);  // the greeting; untrusted server text from here on
        if (!IsOkReply(reply))
            RaiseReply(reply);
        if (Security == TPop3Security::StartTls) {
            // Credentials never travel before the session is protected.
            Transaction("STLS", reply);
            if (!IsOkReply(reply))
                RaiseReply(reply);
            StartTls();
        }

        int failures = 0;
        for (bool accepted = false; !accepted; ++failures) {
            Transaction("USER " + UserID, reply);
            if (CheckAuthReply(reply, failures)) {
                Transaction("PASS " + Password, reply);
                accepted = CheckAuthReply(reply, failures);
            }
        }
        loggedIn = true;

        Transaction("STAT", reply);
        if (!IsOkReply(reply))
            RaiseReply(reply);
        messageCount_ = ParseCount(NthWord(reply, ' ', 2));
    } catch (...) {
        // Say goodbye if the line is still open, then pass the failure on.
        // Should the goodbye fail, its exception replaces the first.
        try {
            Disconnect();
        } catch (const Exception& e) {
            // A server that hangs up right after its refusal answers QUIT with
            // nothing; its refusal is the news, not the silence after it.
            if (e.Message() != kConnectionClosedText) {
                cleanUp();
                throw;
            }
        } catch (...) {
            cleanUp();
            throw;
        }
        cleanUp();
        throw;
    }
    cleanUp();
}

void TPop3Client::Disconnect()
{
    if (!Connected())
        return;
    std::exception_ptr failure;
    try {
        std::string reply;
        Transaction("QUIT", reply);
        if (!IsOkReply(reply))
            RaiseReply(reply);
    } catch (...) {
        failure = std::current_exception();
    }
    TSocketBase::Disconnect();
    if (failure)
        std::rethrow_exception(failure);
}

void TPop3Client::Abort()
{
    Cancel();
    if (Connected())
        TSocketBase::Disconnect();
    ClearInput();
}
