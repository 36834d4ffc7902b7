#include "platform/TlsContext.h"
#include "platform/linux/OpenSslContext.h"
#include "platform/linux/OpenSslReasons.h"

#include <cstring>

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

namespace oprinter {

TlsContext::TlsContext(std::unique_ptr<State> state, bool verify) : state_(std::move(state)), verify_(verify) {}

TlsContext::~TlsContext() = default;

namespace {

// Why a setting of a new connection failed, with OpenSSL's word on it.
std::string SetUpFailure(const std::string& what) {
    const std::string reason = TakeOpenSslReason();
    return what + (reason.empty() ? "" : ": " + reason);
}

// The name sent as SNI and the identity the certificate must carry; empty
// when both are set, else the reason.
std::string PinIdentity(SSL* ssl, const HostTarget& host, bool verify) {
    if (host.isAddress) {
        // SNI carries names only. The bytes themselves, not their text: nothing is read twice.
        const auto* bytes = reinterpret_cast<const unsigned char*>(&host.address);
        if (verify && X509_VERIFY_PARAM_set1_ip(SSL_get0_param(ssl), bytes, sizeof host.address) != 1)
            return SetUpFailure("cannot check the certificate against the address " + host.text);
        return {};
    }
    // An empty name would turn the name check off, and a NUL would cut it short.
    if (host.text.empty() || host.text.find('\0') != std::string::npos)
        return "cannot check the certificate against the host name \"" + host.text + "\"";
    if (SSL_set_tlsext_host_name(ssl, host.text.c_str()) != 1)
        return SetUpFailure("cannot send the host name " + host.text);
    if (verify && SSL_set1_host(ssl, host.text.c_str()) != 1)
        return SetUpFailure("cannot check the certificate against the host name " + host.text);
    return {};
}

}  // namespace

SSL* NewClient(const TlsContext& context, const HostTarget& host, SSL* resumeFrom, std::string& failure) {
    ERR_clear_error();
    SSL* ssl = SSL_new(context.Own().context);
    if (ssl == nullptr) {
        failure = SetUpFailure("cannot create a connection");
        return nullptr;
    }
    SSL_set_connect_state(ssl);
    failure = PinIdentity(ssl, host, context.Verify());
    if (failure.empty() && resumeFrom != nullptr) {
        if (SSL_SESSION* session = SSL_get1_session(resumeFrom)) {
            if (SSL_set_session(ssl, session) != 1) failure = SetUpFailure("cannot resume the TLS session");
            SSL_SESSION_free(session);
        }
    }
    if (failure.empty()) return ssl;
    SSL_free(ssl);
    return nullptr;
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
    if (SSL_CTX_set_min_proto_version(native, TLS1_2_VERSION) != 1) {
        failure = "cannot require TLS 1.2 at least: " + TakeOpenSslReason();
        return nullptr;
    }
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
