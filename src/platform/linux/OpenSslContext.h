#pragma once
// The OpenSSL state behind TlsContext and TlsConnection.
#include <string>

#include <openssl/ssl.h>

#include "platform/TlsConnection.h"
#include "platform/TlsContext.h"

namespace oprinter {

struct TlsContext::State {
    explicit State(SSL_CTX* native) : context(native) {}
    ~State() { SSL_CTX_free(context); }
    State(const State&) = delete;
    State& operator=(const State&) = delete;

    SSL_CTX* context;
};

// A client connection of context that checks the certificate names host
// (its address for an address, else its DNS name), with resumeFrom's session
// when given; the caller attaches it to its transport and frees it. Null,
// with the reason in failure, when any of that cannot be set: a connection
// that cannot pin the host's identity is never made.
SSL* NewClient(const TlsContext& context, const HostTarget& host, SSL* resumeFrom, std::string& failure);

}  // namespace oprinter
