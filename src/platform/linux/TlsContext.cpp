#include "platform/TlsContext.h"
#include "platform/linux/OpenSslContext.h"
#include "platform/linux/OpenSslReasons.h"

#include <cstring>

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include "platform/DottedAddress.h"

namespace oprinter {

TlsContext::TlsContext(std::unique_ptr<State> state, bool verify) : state_(std::move(state)), verify_(verify) {}

TlsContext::~TlsContext() = default;

SSL* NewClient(const TlsContext& context, const std::string& host, SSL* resumeFrom) {
    SSL* ssl = SSL_new(context.Own().context);
    if (ssl == nullptr) return nullptr;
    SSL_set_connect_state(ssl);
    // A certificate names a host either way; SNI carries names only.
    const bool address = ParseDottedAddress(host) != 0;
    if (!address) SSL_set_tlsext_host_name(ssl, host.c_str());
    if (context.Verify()) {
        if (address)
            X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), host.c_str());
        else
            SSL_set1_host(ssl, host.c_str());
    }
    if (resumeFrom != nullptr) {
        if (SSL_SESSION* session = SSL_get1_session(resumeFrom)) {
            SSL_set_session(ssl, session);
            SSL_SESSION_free(session);
        }
    }
    return ssl;
}

std::string TakeOpenSslReason() {
    // The first error queued is the cause; those after it only say where it surfaced.
    const unsigned long first = ERR_get_error();
    ERR_clear_error();
    if (first == 0) return {};
    const char* reason = ERR_reason_error_string(first);
    if (reason != nullptr) return reason;
    char text[256];
    ERR_error_string_n(first, text, sizeof text);
    return text;
}

int NoPassphrase(char*, int, int, void*) { return 0; }

std::string TlsFailureReason(const SSL* ssl, const TlsContext& context, int systemError) {
    std::string reason = TakeOpenSslReason();
    if (reason.empty()) reason = systemError != 0 ? std::strerror(systemError) : "connection closed by the host";
    // Without verification the result is still filled in, but it decided nothing.
    const long verified = SSL_get_verify_result(ssl);
    if (context.Verify() && verified != X509_V_OK)
        reason += std::string(" (") + X509_verify_cert_error_string(verified) + ")";
    return reason;
}

namespace {

std::string FileFailure(const char* what, const std::string& path) {
    const std::string reason = TakeOpenSslReason();
    return "cannot use the " + std::string(what) + " " + path + (reason.empty() ? "" : ": " + reason);
}

bool LoadAuthorities(SSL_CTX* context, const TlsOptions& options, std::string& failure) {
    if (options.CAFile.empty()) {
        if (SSL_CTX_set_default_verify_paths(context) == 1) return true;
        failure = "cannot use the system's trust store: " + TakeOpenSslReason();
        return false;
    }
    if (SSL_CTX_load_verify_locations(context, options.CAFile.c_str(), nullptr) == 1) return true;
    failure = FileFailure("CA file", options.CAFile);
    return false;
}

bool LoadClientCertificate(SSL_CTX* context, const TlsOptions& options, std::string& failure) {
    if (options.CertFile.empty() && options.KeyFile.empty()) return true;
    if (options.CertFile.empty() || options.KeyFile.empty()) {
        failure = "TLSCertFile and TLSKeyFile go together";
        return false;
    }
    SSL_CTX_set_default_passwd_cb(context, NoPassphrase);
    if (SSL_CTX_use_certificate_chain_file(context, options.CertFile.c_str()) != 1) {
        failure = FileFailure("certificate file", options.CertFile);
        return false;
    }
    if (SSL_CTX_use_PrivateKey_file(context, options.KeyFile.c_str(), SSL_FILETYPE_PEM) != 1) {
        failure = FileFailure("key file", options.KeyFile);
        return false;
    }
    if (SSL_CTX_check_private_key(context) != 1) {
        failure = FileFailure("key file", options.KeyFile);
        return false;
    }
    return true;
}

}  // namespace

std::shared_ptr<const TlsContext> TlsContext::Make(const TlsOptions& options, std::string& failure) {
    ERR_clear_error();
    SSL_CTX* native = SSL_CTX_new(TLS_client_method());
    if (native == nullptr) {
        failure = "cannot create a context: " + TakeOpenSslReason();
        return nullptr;
    }
    std::shared_ptr<const TlsContext> context(new TlsContext(std::make_unique<TlsContext::State>(native), options.Verify));
    SSL_CTX_set_min_proto_version(native, TLS1_2_VERSION);
    // A host that closes without close_notify ends the stream; the caller
    // still sees the close, and a half-read reply fails on its own.
    SSL_CTX_set_options(native, SSL_OP_IGNORE_UNEXPECTED_EOF);
    SSL_CTX_set_verify(native, options.Verify ? SSL_VERIFY_PEER : SSL_VERIFY_NONE, nullptr);
    // The FTP data connections resume the control connection's session.
    SSL_CTX_set_session_cache_mode(native, SSL_SESS_CACHE_CLIENT);
    if (!LoadAuthorities(native, options, failure) || !LoadClientCertificate(native, options, failure)) return nullptr;
    return context;
}

}  // namespace oprinter
