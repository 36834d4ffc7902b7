#pragma once
// The client side of TLS as both host connections use it: TLS 1.2 at least,
// the host's certificate checked against the configured authorities (or the
// system's), and an optional client certificate.
#include <memory>
#include <string>

#include "platform/HostTarget.h"
#include "platform/PathBesideFolder.h"

// OpenSSL's own types, named without its headers: the Windows build has none.
struct ssl_st;
struct ssl_ctx_st;

namespace oprinter {

struct TlsOptions {
    bool Verify = true;    // false: encrypted but not authenticated
    std::string CAFile;    // PEM authorities; empty: the system's trust store
    std::string CertFile;  // PEM client certificate; empty: none
    std::string KeyFile;   // PEM key of the client certificate
};

// The options of the TLS settings, their files taken beside folder.
inline TlsOptions TlsOptionsBeside(const std::string& folder, bool verify, const std::string& caFile,
                                   const std::string& certFile, const std::string& keyFile) {
    return {verify, PathBesideFolder(caFile, folder), PathBesideFolder(certFile, folder),
            PathBesideFolder(keyFile, folder)};
}

class TlsContext {
public:
    // The context, or nullptr with the reason in failure (a file that cannot
    // be read or parsed, a key that does not match its certificate).
    static std::shared_ptr<const TlsContext> Make(const TlsOptions& options, std::string& failure);

    ssl_ctx_st* Native() const { return context_.get(); }
    bool Verify() const { return verify_; }
    // A client connection that checks the certificate names host (its
    // address for an address, else its DNS name), with resumeFrom's session
    // when given; the caller attaches it to its transport and frees it. Null,
    // with the reason in failure, when any of that cannot be set: a
    // connection that cannot pin the host's identity is never made.
    ssl_st* NewClient(const HostTarget& host, ssl_st* resumeFrom, std::string& failure) const;

private:
    struct Release {
        void operator()(ssl_ctx_st* context) const;
    };
    TlsContext(ssl_ctx_st* context, bool verify) : context_(context), verify_(verify) {}

    std::unique_ptr<ssl_ctx_st, Release> context_;
    bool verify_;
};

}  // namespace oprinter
