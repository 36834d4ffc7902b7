#pragma once
// The client side of TLS as both host connections use it: TLS 1.2 at least,
// the host's certificate checked against the configured authorities (or the
// system's), and an optional client certificate.
#include <memory>
#include <string>

#include <openssl/ssl.h>

namespace oprinter {

struct TlsOptions {
    bool Verify = true;    // false: encrypted but not authenticated
    std::string CAFile;    // PEM authorities; empty: the system's trust store
    std::string CertFile;  // PEM client certificate; empty: none
    std::string KeyFile;   // PEM key of the client certificate
};

// path as it stands when absolute or empty, else taken from folder (which ends with "/").
std::string PathBesideFolder(const std::string& path, const std::string& folder);

class TlsContext {
public:
    // The context, or nullptr with the reason in failure (a file that cannot
    // be read or parsed, a key that does not match its certificate).
    static std::shared_ptr<const TlsContext> Make(const TlsOptions& options, std::string& failure);

    SSL_CTX* Native() const { return context_.get(); }
    bool Verify() const { return verify_; }
    // A client connection that checks the certificate names host (a DNS name
    // or an IP address), with resumeFrom's session when given; the caller
    // attaches it to its transport and frees it.
    SSL* NewClient(const std::string& host, SSL* resumeFrom = nullptr) const;

private:
    struct Release {
        void operator()(SSL_CTX* context) const { SSL_CTX_free(context); }
    };
    TlsContext(SSL_CTX* context, bool verify) : context_(context), verify_(verify) {}

    std::unique_ptr<SSL_CTX, Release> context_;
    bool verify_;
};

// A passphrase callback that has none: an encrypted key fails to load
// instead of prompting on a terminal an unattended service does not have.
int NoPassphrase(char* buffer, int size, int writing, void* data);

// The reason OpenSSL gives for its latest failure, from its error queue
// (which this empties); empty when the queue holds nothing.
std::string TakeOpenSslReason();

// Why a call on ssl failed: OpenSSL's reason, else the socket's (errno
// systemError), else a close by the host; with the verification's own error
// when the context verifies, e.g. "certificate verify failed (hostname mismatch)".
std::string TlsFailureReason(const SSL* ssl, const TlsContext& context, int systemError);

}  // namespace oprinter
