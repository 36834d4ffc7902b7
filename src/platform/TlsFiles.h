#pragma once
// Whether the PEM files of the TLS settings can be read and parsed, for the
// admin tool: an administrator learns it before the service needs them.
#include <string>

namespace oprinter {

struct TlsFileCheck {
    bool ok = false;
    std::string text;  // what was found, or why the file cannot be used
};

// Authorities: at least one certificate.
TlsFileCheck CheckCAFile(const std::string& path);
// A client certificate (the first of the file; the rest is its chain).
TlsFileCheck CheckCertificateFile(const std::string& path);
// A private key; with certificatePath, it must belong to that certificate.
TlsFileCheck CheckKeyFile(const std::string& path, const std::string& certificatePath);

}  // namespace oprinter
