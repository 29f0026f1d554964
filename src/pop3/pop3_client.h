#pragma once
// The POP3 client component: login and message count (USER, PASS, STAT,
// QUIT), message retrieval (RETR, DELE), the header scan and the multipart
// walk that writes attachment files.

#include "platform/socket_base.h"
#include "platform/uu_processor.h"
#include "pop3/mail_message.h"

#include <memory>
#include <string>

// Where the part copy and the header scan put a line.
enum TPartMode : int { pmFile = 0, pmBody = 1, pmHeader = 2 };

// How the dialogue is protected: not at all, TLS from the first byte (POP3S),
// or TLS after the greeting through STLS.
enum class TPop3Security { None, Pop3s, StartTls };

// Shared by all client instances for the life of the process: the cursor into
// the captured body lines, and the counter that names temporary part files.
extern int LineCursor;
extern int TempFileCount;

class TPop3Client : public TSocketBase {
public:
    explicit TPop3Client(TComponent* Owner = nullptr, WaitPump* pump = nullptr);
    ~TPop3Client() override;

    // --- published ----------------------------------------------------------
    std::string UserID;
    bool Parse = false;
    std::string Password;
    bool DeleteOnRead = false;
    TPop3Security Security = TPop3Security::None;
    const std::string& AttachFilePath() const { return attachFilePath_; }
    // Stores the directory with a trailing '/'; an empty value stays empty.
    void SetAttachFilePath(const std::string& Path);

    TNotifyEvent OnConnect;
    THandlerEvent OnAuthenticationNeeded;
    THandlerEvent OnAuthenticationFailed;
    TNotifyEvent OnReset;       // never raised
    TListEvent OnList;          // never raised
    TNotifyEvent OnRetrieveStart;
    TNotifyEvent OnRetrieveEnd;
    TNotifyEvent OnSuccess;     // never raised
    TNotifyEvent OnFailure;     // never raised
    TVarFileNameEvent OnDecodeStart;
    TNotifyEvent OnDecodeEnd;   // never raised

    // --- state ----------------------------------------------------------------
    int MessageCount() const { return messageCount_; }
    TMailMessage& MailMessage() { return *mailMessage_; }
    const TMailMessage& MailMessage() const { return *mailMessage_; }
    TSummary& Summary() { return *summary_; }
    TUUProcessor& UUProcessor() { return *uuProcessor_; }
    bool Busy() const { return busy_; }

    // --- operations -------------------------------------------------------------
    void Connect() override;
    void Disconnect() override;
    void Abort() override;
    void RetrieveMessage(int MessageNumber);

    // --- retrieval internals, public for the tests that drive them directly ---
    int PartMode = pmHeader;
    std::string TransferEncoding;
    std::string PartFileName;
    void ReadHeaderLines(bool FromCapturedLines, TMailMessage& BoundaryTarget);
    void ParseMultipart();
    bool ExtractPart(TMailMessage& Message);

private:
    std::unique_ptr<TMailMessage> mailMessage_;
    std::unique_ptr<TSummary> summary_;
    std::unique_ptr<TUUProcessor> uuProcessor_;
    std::string attachFilePath_;
    int messageCount_ = 0;
    bool busy_ = false;

    // Judges a USER or PASS reply; see Connect.
    bool CheckAuthReply(const std::string& Reply, int& FailureCount);
};

// Position (from 1) of the last occurrence of SubStr in S, 0 when none.
int LastPos(const std::string& SubStr, const std::string& S);
