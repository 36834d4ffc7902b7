#pragma once
// The client certificate on Windows: a PKCS #12 (.pfx) file without a
// password, named by TLSCertFile, that holds the certificate and its private
// key (TLSKeyFile stays empty). Its key is taken into this process only,
// never into a key store of the machine.
#include <string>

#include "platform/windows/SchannelHandles.h"

namespace oprinter {

struct ClientCertificate {
    CertificateStore store;   // what the file holds; owns the certificate's key
    Certificate certificate;  // the one with a private key
};

// The certificate of the file at path; a null certificate with the reason in
// failure when the file cannot be read, is no PKCS #12 file without a
// password, or holds no certificate with a usable key.
ClientCertificate LoadClientCertificate(const std::string& path, std::string& failure);

}  // namespace oprinter
