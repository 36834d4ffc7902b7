#pragma once
// Whether the PEM files of the TLS settings can be read and parsed, for the
// admin tool: an administrator learns it before the service needs them.
#include <string>

namespace oprinter {

struct TlsFileCheck {
    bool ok = false;
    std::string text;  // what was found, or why the file cannot be used
};

// Whether the client certificate's file holds its key as well (one PKCS #12
// file on Windows), so that TLSKeyFile stays empty; else the key is a file
// of its own (PEM on Linux).
bool ClientKeyInCertificateFile();
// Authorities: at least one certificate.
TlsFileCheck CheckCAFile(const std::string& path);
// A client certificate (on Linux the first of the file, the rest being its
// chain; on Windows the one of the PKCS #12 file that has a key).
TlsFileCheck CheckCertificateFile(const std::string& path);
// A private key; with certificatePath, it must belong to that certificate.
// Where the key is in the certificate's file, any key file is refused.
TlsFileCheck CheckKeyFile(const std::string& path, const std::string& certificatePath);

}  // namespace oprinter
