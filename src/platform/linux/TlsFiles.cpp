#include "platform/TlsFiles.h"
#include "platform/linux/OpenSslReasons.h"

#include <cerrno>
#include <cstring>
#include <memory>

#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include "platform/TlsContext.h"

namespace oprinter {

namespace {

struct FreeBio {
    void operator()(BIO* bio) const { BIO_free(bio); }
};
struct FreeCertificate {
    void operator()(X509* certificate) const { X509_free(certificate); }
};
struct FreeKey {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
using Bio = std::unique_ptr<BIO, FreeBio>;
using Certificate = std::unique_ptr<X509, FreeCertificate>;
using Key = std::unique_ptr<EVP_PKEY, FreeKey>;

Bio OpenFile(const std::string& path, TlsFileCheck& failure) {
    ERR_clear_error();
    errno = 0;
    Bio bio(BIO_new_file(path.c_str(), "r"));
    if (!bio) failure = {false, "cannot be read: " + std::string(std::strerror(errno != 0 ? errno : ENOENT))};
    ERR_clear_error();
    return bio;
}

TlsFileCheck NotParsed(const char* what) {
    const std::string reason = TakeOpenSslReason();
    return {false, std::string("holds no PEM ") + what + (reason.empty() ? "" : ": " + reason)};
}

Certificate FirstCertificate(const std::string& path, TlsFileCheck& failure) {
    Bio bio = OpenFile(path, failure);
    if (!bio) return nullptr;
    Certificate certificate(PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr));
    if (!certificate) failure = NotParsed("certificate");
    return certificate;
}

std::string SubjectOf(X509* certificate) {
    char subject[256];
    X509_NAME_oneline(X509_get_subject_name(certificate), subject, sizeof subject);
    return subject;
}

}  // namespace

bool ClientKeyInCertificateFile() { return false; }

TlsFileCheck CheckCAFile(const std::string& path) {
    TlsFileCheck failure;
    Bio bio = OpenFile(path, failure);
    if (!bio) return failure;
    int count = 0;
    while (Certificate(PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr))) ++count;
    ERR_clear_error();  // the end of the file reads as a failure
    if (count == 0) return NotParsed("certificate");
    return {true, "ok, " + std::to_string(count) + (count == 1 ? " certificate" : " certificates")};
}

TlsFileCheck CheckCertificateFile(const std::string& path) {
    TlsFileCheck failure;
    Certificate certificate = FirstCertificate(path, failure);
    if (!certificate) return failure;
    return {true, "ok, " + SubjectOf(certificate.get())};
}

TlsFileCheck CheckKeyFile(const std::string& path, const std::string& certificatePath) {
    TlsFileCheck failure;
    Bio bio = OpenFile(path, failure);
    if (!bio) return failure;
    Key key(PEM_read_bio_PrivateKey(bio.get(), nullptr, NoPassphrase, nullptr));
    if (!key) return NotParsed("private key (or it is protected by a passphrase)");
    if (certificatePath.empty()) return {true, "ok"};
    Certificate certificate = FirstCertificate(certificatePath, failure);
    if (!certificate) return {true, "ok"};  // the certificate's own check tells
    if (X509_check_private_key(certificate.get(), key.get()) != 1) {
        ERR_clear_error();
        return {false, "does not belong to the certificate of TLSCertFile"};
    }
    return {true, "ok, belongs to the certificate"};
}

}  // namespace oprinter
