#pragma once
// Self-signed certificates made with the openssl command for one test: each
// is its own authority, so a test trusts one by naming it as the CA file.
#include <string>

#include "support/TempFolder.h"

namespace oprinter::test {

struct CertificateFiles {
    std::string certificate;  // PEM, also the authority to trust
    std::string key;          // PEM, unencrypted
};

// A certificate for the IP address in folder, as stem.pem and stem.key.
CertificateFiles MakeCertificate(const TempFolder& folder, const std::string& stem, const std::string& address);
// The same for a DNS name.
CertificateFiles MakeNamedCertificate(const TempFolder& folder, const std::string& stem, const std::string& name);

}  // namespace oprinter::test
