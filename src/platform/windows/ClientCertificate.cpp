#include "platform/windows/ClientCertificate.h"

#include <stdexcept>

#include "platform/SystemError.h"
#include "platform/WholeFile.h"
#include "platform/windows/PemCertificates.h"

namespace oprinter {

namespace {

// The import gives a certificate its key through one of these properties:
// a key handle (Windows, PKCS12_NO_PERSIST_KEY), a key context (Wine), or
// the name of the key's container.
bool HasKey(const CERT_CONTEXT* certificate) {
    for (const DWORD property : {CERT_NCRYPT_KEY_HANDLE_PROP_ID, CERT_KEY_CONTEXT_PROP_ID, CERT_KEY_PROV_INFO_PROP_ID}) {
        DWORD size = 0;
        if (::CertGetCertificateContextProperty(certificate, property, nullptr, &size)) return true;
    }
    return false;
}

CertificateStore ImportPfx(std::string& bytes, std::string& failure) {
    CRYPT_DATA_BLOB blob{static_cast<DWORD>(bytes.size()), reinterpret_cast<BYTE*>(bytes.data())};
    if (!::PFXIsPFXBlob(&blob)) {
        failure = "holds no PKCS #12 (.pfx) data";
        return nullptr;
    }
    // Exportable: Wine's Schannel hands the key to its TLS library.
    const DWORD flags = CRYPT_EXPORTABLE | PKCS12_NO_PERSIST_KEY;
    // No password and an empty one are two things to PKCS #12; tools make either.
    HCERTSTORE store = ::PFXImportCertStore(&blob, L"", flags);
    if (store == nullptr) store = ::PFXImportCertStore(&blob, nullptr, flags);
    if (store == nullptr) {
        const int error = LastSystemError();
        failure = "cannot be opened without a password, or its key is of a kind this system cannot import" +
                  (error != 0 ? " (" + SystemErrorText(error) + ")" : std::string());
    }
    return CertificateStore(store);
}

}  // namespace

ClientCertificate LoadClientCertificate(const std::string& path, std::string& failure) {
    std::string bytes;
    try {
        bytes = ReadWholeFile(path);
    } catch (const std::exception& error) {
        failure = UnreadableReason(path, error);
        return {};
    }
    ClientCertificate client{ImportPfx(bytes, failure), nullptr};
    if (!client.store) return {};
    for (const CERT_CONTEXT* next = nullptr;
         (next = ::CertEnumCertificatesInStore(client.store.get(), next)) != nullptr;) {
        if (HasKey(next)) {
            client.certificate.reset(::CertDuplicateCertificateContext(next));
            ::CertFreeCertificateContext(next);
            return client;
        }
    }
    failure = "holds no certificate with a private key this system can use";
    return {};
}

}  // namespace oprinter
