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

// A client connection of context that checks the certificate names host (a
// DNS name or an IP address), with resumeFrom's session when given; the
// caller attaches it to its transport and frees it.
SSL* NewClient(const TlsContext& context, const std::string& host, SSL* resumeFrom = nullptr);

}  // namespace oprinter
