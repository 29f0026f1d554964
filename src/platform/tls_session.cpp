#include "platform/tls_session.h"

#include "platform/exception.h"
#include "platform/socket_base.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <map>
#include <mutex>

namespace {

std::string LastTlsError()
{
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0)
        return "connection closed during the handshake";
    char text[256];
    ERR_error_string_n(code, text, sizeof text);
    return text;
}

// One context per trust store, for the life of the process: the system's
// store (or SSL_CERT_FILE / SSL_CERT_DIR when set) or a given CA file; TLS 1.2
// at least; the library's cipher choice.
SSL_CTX* Context(const std::string& caFile)
{
    struct FreeContext {
        void operator()(SSL_CTX* ctx) const { SSL_CTX_free(ctx); }
    };
    static std::mutex guard;
    static std::map<std::string, std::unique_ptr<SSL_CTX, FreeContext>> contexts;
    const std::lock_guard lock(guard);
    if (const auto it = contexts.find(caFile); it != contexts.end())
        return it->second.get();
    SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
    if (!ctx)
        return nullptr;
    SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
    const bool trusted = caFile.empty() ? SSL_CTX_set_default_verify_paths(ctx) == 1
                                        : SSL_CTX_load_verify_locations(ctx, caFile.c_str(), nullptr) == 1;
    if (!trusted) {
        SSL_CTX_free(ctx);
        return nullptr;
    }
    // A server that hangs up without close_notify has simply gone.
    SSL_CTX_set_options(ctx, SSL_OP_IGNORE_UNEXPECTED_EOF);
    // The library writes with write(): a reset peer must not kill us.
    std::signal(SIGPIPE, SIG_IGN);
    contexts.emplace(caFile, std::unique_ptr<SSL_CTX, FreeContext>(ctx));
    return ctx;
}

bool IsAddressLiteral(const std::string& host)
{
    unsigned char buffer[sizeof(in6_addr)];
    return inet_pton(AF_INET, host.c_str(), buffer) == 1 || inet_pton(AF_INET6, host.c_str(), buffer) == 1;
}

}  // namespace

struct TlsSession::Impl {
    SSL* ssl = nullptr;
    bool verifyPeer = true;
};

TlsSession::TlsSession(int fd, const std::string& host, bool verifyPeer, const std::string& caFile)
    : impl_(std::make_unique<Impl>())
{
    impl_->verifyPeer = verifyPeer;
    SSL_CTX* ctx = Context(caFile);
    if (!ctx && !caFile.empty())
        throw ESockError("TLS is not available: cannot read the certificates in " + caFile);
    if (!ctx || !(impl_->ssl = SSL_new(ctx)))
        throw ESockError("TLS is not available: " + LastTlsError());
    SSL* ssl = impl_->ssl;
    SSL_set_fd(ssl, fd);
    SSL_set_connect_state(ssl);
    // Names go into SNI; addresses are checked against the certificate's IP entries.
    if (!IsAddressLiteral(host) && !host.empty())
        SSL_set_tlsext_host_name(ssl, host.c_str());
    if (verifyPeer) {
        SSL_set_verify(ssl, SSL_VERIFY_PEER, nullptr);
        const bool named = IsAddressLiteral(host) ? X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), host.c_str()) == 1
                                                  : SSL_set1_host(ssl, host.c_str()) == 1;
        if (!named)
            throw ESockError("TLS is not available: cannot check the name " + host);
    } else {
        SSL_set_verify(ssl, SSL_VERIFY_NONE, nullptr);
    }
}

TlsSession::~TlsSession()
{
    if (impl_->ssl)
        SSL_free(impl_->ssl);
}

TlsSession::Want TlsSession::Handshake()
{
    ERR_clear_error();
    const int rc = SSL_do_handshake(impl_->ssl);
    if (rc == 1)
        return Want::Nothing;
    const int error = SSL_get_error(impl_->ssl, rc);
    if (error == SSL_ERROR_WANT_READ)
        return Want::Read;
    if (error == SSL_ERROR_WANT_WRITE)
        return Want::Write;
    const long verdict = SSL_get_verify_result(impl_->ssl);
    if (impl_->verifyPeer && verdict != X509_V_OK) {
        ERR_clear_error();
        throw ESockError(std::string("Certificate verification failed: ") + X509_verify_cert_error_string(verdict));
    }
    throw ESockError("TLS handshake failed: " + LastTlsError());
}

long TlsSession::Read(char* data, std::size_t size, Want& want)
{
    ERR_clear_error();
    errno = 0;
    std::size_t done = 0;
    const int rc = SSL_read_ex(impl_->ssl, data, size, &done);
    return Outcome(rc, done, want, "TLS read failed: ");
}

long TlsSession::Write(const char* data, std::size_t size, Want& want)
{
    ERR_clear_error();
    errno = 0;
    std::size_t done = 0;
    const int rc = SSL_write_ex(impl_->ssl, data, size, &done);
    return Outcome(rc, done, want, "TLS write failed: ");
}

long TlsSession::Outcome(int rc, std::size_t done, Want& want, const char* failure)
{
    want = Want::Nothing;
    if (rc == 1)
        return static_cast<long>(done);
    switch (SSL_get_error(impl_->ssl, rc)) {
    case SSL_ERROR_WANT_READ:
        want = Want::Read;
        return -1;
    case SSL_ERROR_WANT_WRITE:
        want = Want::Write;
        return -1;
    case SSL_ERROR_ZERO_RETURN:
        return 0;
    case SSL_ERROR_SYSCALL:
        if (ERR_peek_error() == 0) {
            if (errno == 0)
                return 0;  // the peer hung up
            throw ESockError(SocketErrorText(errno));
        }
        [[fallthrough]];
    default:
        throw ESockError(failure + LastTlsError());
    }
}

void TlsSession::Shutdown() noexcept
{
    ERR_clear_error();
    SSL_shutdown(impl_->ssl);
    ERR_clear_error();
}
