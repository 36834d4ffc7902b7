#pragma once
// The client side of TLS as both host connections use it: TLS 1.2 at least,
// the host's certificate checked against the configured authorities (or the
// system's), and an optional client certificate.
#include <memory>
#include <string>

#include "platform/PathBesideFolder.h"

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
    ~TlsContext();
    TlsContext(const TlsContext&) = delete;
    TlsContext& operator=(const TlsContext&) = delete;

    bool Verify() const { return verify_; }
    // What the platform's TLS keeps for every connection (OpenSSL's context,
    // or Schannel's credentials and trust), defined beside its code.
    struct State;
    State& Own() const { return *state_; }

private:
    TlsContext(std::unique_ptr<State> state, bool verify);

    std::unique_ptr<State> state_;
    bool verify_;
};

}  // namespace oprinter
