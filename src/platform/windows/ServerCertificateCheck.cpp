#include "platform/windows/ServerCertificateCheck.h"

#include <cstring>
#include <vector>

#include "platform/windows/SchannelReasons.h"

namespace oprinter {

namespace {

// SECURITY_FLAG_IGNORE_CERT_CN_INVALID, which only the WinINet headers define.
constexpr DWORD kIgnoreName = 0x00001000;

// The certificate of the chain whose own status carries the time problem.
long TimeValidity(const CERT_SIMPLE_CHAIN& chain) {
    for (DWORD i = 0; i < chain.cElement; ++i) {
        const CERT_CHAIN_ELEMENT& element = *chain.rgpElement[i];
        if (element.TrustStatus.dwErrorStatus & CERT_TRUST_IS_NOT_TIME_VALID)
            return ::CertVerifyTimeValidity(nullptr, element.pCertContext->pCertInfo);
    }
    return 1;
}

// Built by engine for a TLS server, from what is cached only: the check runs
// on the event loop and must not wait for the network.
CertificateChain ServerChain(const CERT_CONTEXT* peer, HCERTCHAINENGINE engine) {
    char serverAuth[] = szOID_PKIX_KP_SERVER_AUTH;
    char* usages[] = {serverAuth};
    CERT_CHAIN_PARA parameters{};
    parameters.cbSize = sizeof parameters;
    parameters.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
    parameters.RequestedUsage.Usage.cUsageIdentifier = 1;
    parameters.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
    const DWORD flags = CERT_CHAIN_CACHE_ONLY_URL_RETRIEVAL | CERT_CHAIN_DISABLE_AUTH_ROOT_AUTO_UPDATE;
    const CERT_CHAIN_CONTEXT* chain = nullptr;
    if (!::CertGetCertificateChain(engine, peer, nullptr, peer->hCertStore, &parameters, flags, nullptr, &chain))
        return nullptr;
    return CertificateChain(chain);
}

std::wstring Wide(const std::string& text) {
    const int size = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

// The SSL policy: usage, times and, for a DNS name, the name itself.
std::string PolicyProblem(const CERT_CHAIN_CONTEXT* chain, const HostTarget& host) {
    const bool address = host.isAddress;
    std::wstring name = Wide(host.text);
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
    ssl.cbSize = sizeof ssl;
    ssl.dwAuthType = AUTHTYPE_SERVER;
    // An address is compared below: the policy matches names only.
    ssl.fdwChecks = address ? kIgnoreName : 0;
    ssl.pwszServerName = address ? nullptr : name.data();
    CERT_CHAIN_POLICY_PARA parameters{};
    parameters.cbSize = sizeof parameters;
    parameters.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS status{};
    status.cbSize = sizeof status;
    if (!::CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &parameters, &status))
        return "the certificate policy cannot be checked";
    return status.dwError == 0 ? std::string() : PolicyErrorReason(static_cast<long>(status.dwError));
}

// Whether the subject alternative names of certificate hold address.
bool NamesAddress(const CERT_CONTEXT* certificate, Ipv4Address address) {
    const CERT_INFO& info = *certificate->pCertInfo;
    const CERT_EXTENSION* extension = ::CertFindExtension(szOID_SUBJECT_ALT_NAME2, info.cExtension, info.rgExtension);
    if (extension == nullptr) return false;
    CERT_ALT_NAME_INFO* names = nullptr;
    DWORD size = 0;
    if (!::CryptDecodeObjectEx(X509_ASN_ENCODING, X509_ALTERNATE_NAME, extension->Value.pbData,
                               extension->Value.cbData, CRYPT_DECODE_ALLOC_FLAG, nullptr, &names, &size))
        return false;
    bool found = false;
    for (DWORD i = 0; i < names->cAltEntry && !found; ++i) {
        const CERT_ALT_NAME_ENTRY& entry = names->rgAltEntry[i];
        found = entry.dwAltNameChoice == CERT_ALT_NAME_IP_ADDRESS && entry.IPAddress.cbData == sizeof address &&
                std::memcmp(entry.IPAddress.pbData, &address, sizeof address) == 0;
    }
    ::LocalFree(names);
    return found;
}

}  // namespace

// The configuration has the size Windows 7 defined (this build's target),
// which Wine 8 takes; it refuses the larger one of Windows 8.
ChainEngine EngineTrustingOnly(HCERTSTORE roots) {
    CERT_CHAIN_ENGINE_CONFIG config{};
    config.cbSize = sizeof config;
    config.hExclusiveRoot = roots;
    HCERTCHAINENGINE engine = nullptr;
    if (!::CertCreateCertificateChainEngine(&config, &engine)) return nullptr;
    return ChainEngine(engine);
}

std::string ServerCertificateProblem(const CERT_CONTEXT* peer, HCERTCHAINENGINE engine, const HostTarget& host) {
    const CertificateChain chain = ServerChain(peer, engine);
    if (!chain) return "unable to get local issuer certificate";
    const CERT_SIMPLE_CHAIN& simple = *chain->rgpChain[0];
    const std::string chainProblem =
        ChainStatusReason(chain->TrustStatus.dwErrorStatus, simple.cElement, TimeValidity(simple));
    if (!chainProblem.empty()) return chainProblem;
    const std::string policyProblem = PolicyProblem(chain.get(), host);
    if (!policyProblem.empty()) return policyProblem;
    if (host.isAddress && !NamesAddress(peer, host.address)) return "IP address mismatch";
    return {};
}

}  // namespace oprinter
