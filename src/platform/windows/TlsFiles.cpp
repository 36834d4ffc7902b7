#include "platform/TlsFiles.h"

#include <string>

#include "platform/windows/ClientCertificate.h"
#include "platform/windows/PemCertificates.h"

namespace oprinter {

namespace {

std::string SubjectOf(const CERT_CONTEXT* certificate) {
    char subject[256];
    ::CertNameToStrA(X509_ASN_ENCODING, &certificate->pCertInfo->Subject, CERT_X500_NAME_STR, subject, sizeof subject);
    return subject;
}

}  // namespace

bool ClientKeyInCertificateFile() { return true; }

TlsFileCheck CheckCAFile(const std::string& path) {
    int count = 0;
    std::string failure;
    if (!PemCertificateStore(path, count, failure)) return {false, failure};
    return {true, "ok, " + std::to_string(count) + (count == 1 ? " certificate" : " certificates")};
}

TlsFileCheck CheckCertificateFile(const std::string& path) {
    std::string failure;
    const ClientCertificate client = LoadClientCertificate(path, failure);
    if (!client.certificate) return {false, failure};
    return {true, "ok, " + SubjectOf(client.certificate.get()) + ", with its key"};
}

TlsFileCheck CheckKeyFile(const std::string&, const std::string&) {
    return {false, "not used on Windows: leave it empty; TLSCertFile names a PKCS #12 (.pfx) file that holds the key"};
}

}  // namespace oprinter
