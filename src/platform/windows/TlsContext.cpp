#include "platform/TlsContext.h"

#include "platform/windows/PemCertificates.h"
#include "platform/windows/SchannelContext.h"
#include "platform/windows/SchannelReasons.h"
#include "platform/windows/ServerCertificateCheck.h"

namespace oprinter {

namespace {

// Schannel leaves the host's certificate to us (ServerCertificateCheck), and
// never picks a client certificate of its own.
constexpr DWORD kCredentialFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS | SCH_USE_STRONG_CRYPTO;
constexpr DWORD kAcceptedProtocols = SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT;

SECURITY_STATUS Acquire(void* credentials, CredHandle& handle) {
    TimeStamp expiry;
    return ::AcquireCredentialsHandleW(nullptr, const_cast<wchar_t*>(UNISP_NAME_W), SECPKG_CRED_OUTBOUND, nullptr,
                                       credentials, nullptr, nullptr, &handle, &expiry);
}

// SCH_CREDENTIALS, which TLS 1.3 needs; Windows before 10 (1809) knows only
// SCHANNEL_CRED, which still gives TLS 1.2.
bool AcquireCredentials(TlsContext::State& state, std::string& failure) {
    const CERT_CONTEXT* client = state.client.certificate.get();
    TLS_PARAMETERS parameters{};
    parameters.grbitDisabledProtocols = ~static_cast<DWORD>(kAcceptedProtocols);
    SCH_CREDENTIALS current{};
    current.dwVersion = SCH_CREDENTIALS_VERSION;
    current.dwFlags = kCredentialFlags;
    current.cCreds = client != nullptr ? 1 : 0;
    current.paCred = client != nullptr ? &client : nullptr;
    current.cTlsParameters = 1;
    current.pTlsParameters = &parameters;
    if (Acquire(&current, state.credentials) == SEC_E_OK) return true;
    SCHANNEL_CRED older{};
    older.dwVersion = SCHANNEL_CRED_VERSION;
    older.dwFlags = kCredentialFlags;
    older.cCreds = current.cCreds;
    older.paCred = current.paCred;
    older.grbitEnabledProtocols = SP_PROT_TLS1_2_CLIENT;
    const SECURITY_STATUS status = Acquire(&older, state.credentials);
    if (status == SEC_E_OK) return true;
    SecInvalidateHandle(&state.credentials);
    failure = "cannot get Schannel's credentials: " + SchannelReason(status);
    return false;
}

// Only the authorities of the file are trusted.
bool TrustOnly(TlsContext::State& state, const std::string& path, std::string& failure) {
    int count = 0;
    state.authorities = PemCertificateStore(path, count, failure);
    if (state.authorities) state.engine = EngineTrustingOnly(state.authorities.get());
    if (state.engine) return true;
    if (state.authorities) failure = "no chain engine takes its authorities";
    failure = "cannot use the CA file " + path + ": " + failure;
    return false;
}

bool UseClientCertificate(TlsContext::State& state, const TlsOptions& options, std::string& failure) {
    if (!options.KeyFile.empty()) {
        failure = "cannot use the key file " + options.KeyFile +
                  ": on Windows TLSKeyFile stays empty, and TLSCertFile names a PKCS #12 (.pfx) file that holds the key";
        return false;
    }
    if (options.CertFile.empty()) return true;
    state.client = LoadClientCertificate(options.CertFile, failure);
    if (state.client.certificate) return true;
    failure = "cannot use the certificate file " + options.CertFile + ": " + failure;
    return false;
}

}  // namespace

TlsContext::TlsContext(std::unique_ptr<State> state, bool verify) : state_(std::move(state)), verify_(verify) {}

TlsContext::~TlsContext() = default;

std::shared_ptr<const TlsContext> TlsContext::Make(const TlsOptions& options, std::string& failure) {
    auto state = std::make_unique<State>();
    if (!options.CAFile.empty() && !TrustOnly(*state, options.CAFile, failure)) return nullptr;
    if (!UseClientCertificate(*state, options, failure) || !AcquireCredentials(*state, failure)) return nullptr;
    return std::shared_ptr<const TlsContext>(new TlsContext(std::move(state), options.Verify));
}

}  // namespace oprinter
