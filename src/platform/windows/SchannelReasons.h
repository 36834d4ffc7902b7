#pragma once
// What Schannel and the certificate chain engine say, put into the words the
// logs use on Linux (OpenSSL's), so that one table of failures serves both.
#include <cstdint>
#include <string>

namespace oprinter {

// The first problem of a certificate chain, from its error status
// (CERT_TRUST_*): elements is the chain's length, and timeValidity what
// CertVerifyTimeValidity said of the certificate out of its time (< 0: not
// yet valid, > 0: expired). Empty when the status shows none.
std::string ChainStatusReason(std::uint32_t errorStatus, std::uint32_t elements, long timeValidity);

// An error of the SSL chain policy (CERT_E_*, TRUST_E_*).
std::string PolicyErrorReason(long error);

// A failed Schannel call (SEC_E_*).
std::string SchannelReason(long status);

}  // namespace oprinter
