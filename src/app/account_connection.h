#pragma once
// Hands an account's settings to the POP3 client: the one place where the
// windows and the command line turn a record of tovik.ini into a connection.

#include "app/host_data.h"
#include "platform/exception.h"
#include "pop3/pop3_client.h"

// Sets server, user ID, password, port and the TLS settings. An "ssl" value
// that is not understood fails here, before anything is sent: guessing would
// risk sending the password in the clear.
inline void ApplyAccount(const Thostrec& host, TPop3Client& client)
{
    if (host.security == TAccountSecurity::Unknown)
        throw Exception("Unknown ssl setting '" + host.securityText + "' (use none, pop3s or starttls)");
    client.Host = host.popServer;
    client.UserID = host.userId;
    client.Password = host.password;
    client.Port = host.port;
    client.Security = host.security == TAccountSecurity::Pop3s      ? TPop3Security::Pop3s
                      : host.security == TAccountSecurity::StartTls ? TPop3Security::StartTls
                                                                    : TPop3Security::None;
    client.VerifyPeer = host.verify;
    client.CaFile = host.caFile;
}
