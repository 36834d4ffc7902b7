#include "platform/windows/SchannelReasons.h"

#include <windows.h>
#include <wincrypt.h>

#include <cstdio>

namespace oprinter {

namespace {

std::string Hex(const char* what, unsigned long code) {
    char text[64];
    std::snprintf(text, sizeof text, "%s 0x%08lX", what, code);
    return text;
}

}  // namespace

std::string ChainStatusReason(std::uint32_t errorStatus, std::uint32_t elements, long timeValidity) {
    if (errorStatus == CERT_TRUST_NO_ERROR) return {};
    // In the order OpenSSL meets them: the issuer first, then the certificates themselves.
    if (errorStatus & CERT_TRUST_IS_PARTIAL_CHAIN) return "unable to get local issuer certificate";
    if (errorStatus & CERT_TRUST_IS_UNTRUSTED_ROOT)
        return elements <= 1 ? "self-signed certificate" : "self-signed certificate in certificate chain";
    if (errorStatus & CERT_TRUST_IS_NOT_SIGNATURE_VALID) return "certificate signature failure";
    if (errorStatus & CERT_TRUST_IS_NOT_TIME_VALID)
        return timeValidity < 0 ? "certificate is not yet valid" : "certificate has expired";
    if (errorStatus & CERT_TRUST_IS_REVOKED) return "certificate revoked";
    if (errorStatus & CERT_TRUST_IS_NOT_VALID_FOR_USAGE) return "unsuitable certificate purpose";
    if (errorStatus & CERT_TRUST_INVALID_BASIC_CONSTRAINTS) return "invalid CA certificate";
    if (errorStatus & CERT_TRUST_IS_CYCLIC) return "unable to get local issuer certificate";
    return Hex("certificate chain status", errorStatus);
}

std::string PolicyErrorReason(long error) {
    switch (static_cast<HRESULT>(error)) {
        case CERT_E_CN_NO_MATCH: return "hostname mismatch";
        case CERT_E_EXPIRED: return "certificate has expired";
        case CERT_E_UNTRUSTEDROOT: return "self-signed certificate in certificate chain";
        case CERT_E_CHAINING: return "unable to get local issuer certificate";
        case CERT_E_WRONG_USAGE: return "unsuitable certificate purpose";
        case CERT_E_REVOKED: return "certificate revoked";
        case TRUST_E_CERT_SIGNATURE: return "certificate signature failure";
        case TRUST_E_BASIC_CONSTRAINTS: return "invalid CA certificate";
        default: return Hex("certificate policy error", static_cast<unsigned long>(error));
    }
}

std::string SchannelReason(long status) {
    switch (static_cast<HRESULT>(status)) {
        case SEC_E_INVALID_TOKEN: return "wrong version number";
        case SEC_E_UNSUPPORTED_FUNCTION: return "unsupported protocol";
        case SEC_E_ALGORITHM_MISMATCH: return "no protocols available";
        case SEC_E_ILLEGAL_MESSAGE: return "handshake refused by the host (TLS alert)";
        case SEC_E_DECRYPT_FAILURE:
        case SEC_E_MESSAGE_ALTERED: return "decryption failed or bad record mac";
        case SEC_E_CERT_EXPIRED: return "certificate verify failed (certificate has expired)";
        case SEC_E_WRONG_PRINCIPAL: return "certificate verify failed (hostname mismatch)";
        case SEC_E_UNTRUSTED_ROOT: return "certificate verify failed (unable to get local issuer certificate)";
        case SEC_E_NO_CREDENTIALS: return "the client certificate cannot be used";
        default: return Hex("Schannel error", static_cast<unsigned long>(status));
    }
}

}  // namespace oprinter
