#pragma once
// One TLS client session over a connected non-blocking socket. It never
// waits itself: every call says what it would need to go on (a readable or a
// writable socket), and the socket base does the waiting in its pump.

#include <cstddef>
#include <memory>
#include <string>

class TlsSession {
public:
    enum class Want { Nothing, Read, Write };

    // Prepares the session; host goes into SNI and, with verifyPeer, into the
    // name check of the certificate. caFile: trust only the certificates in
    // that file; empty: the system's trust store. ESockError when TLS cannot
    // be set up.
    TlsSession(int fd, const std::string& host, bool verifyPeer, const std::string& caFile = {});
    ~TlsSession();
    TlsSession(const TlsSession&) = delete;
    TlsSession& operator=(const TlsSession&) = delete;

    // Advances the handshake. Want::Nothing once it is done. ESockError
    // "Certificate verification failed: <why>" or "TLS handshake failed: <why>".
    Want Handshake();

    // Reads up to size bytes. >0: bytes read; 0: the peer closed; <0: would
    // block, want says on what. ESockError on a broken session.
    long Read(char* data, std::size_t size, Want& want);
    // Writes up to size bytes; same conventions as Read.
    long Write(const char* data, std::size_t size, Want& want);
    // Sends close_notify without waiting for the peer's.
    void Shutdown() noexcept;

private:
    struct Impl;
    // Turns a read or write result into bytes, 0 (closed) or -1 with want.
    long Outcome(int rc, std::size_t done, Want& want, const char* failure);
    std::unique_ptr<Impl> impl_;
};
