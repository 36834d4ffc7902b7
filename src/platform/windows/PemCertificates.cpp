#include "platform/windows/PemCertificates.h"

#include <stdexcept>

#include "platform/WholeFile.h"

namespace oprinter {

namespace {

constexpr std::string_view kBegin = "-----BEGIN CERTIFICATE-----";
constexpr std::string_view kEnd = "-----END CERTIFICATE-----";

// The bytes of a Base64 body, line ends and all; empty when it does not decode.
std::string DecodeBase64(std::string_view body) {
    DWORD size = 0;
    const DWORD length = static_cast<DWORD>(body.size());
    if (!::CryptStringToBinaryA(body.data(), length, CRYPT_STRING_BASE64, nullptr, &size, nullptr, nullptr)) return {};
    std::string bytes(size, '\0');
    if (!::CryptStringToBinaryA(body.data(), length, CRYPT_STRING_BASE64, reinterpret_cast<BYTE*>(bytes.data()), &size,
                                nullptr, nullptr))
        return {};
    bytes.resize(size);
    return bytes;
}

}  // namespace

std::vector<std::string> PemCertificateBlocks(std::string_view text) {
    std::vector<std::string> blocks;
    for (std::size_t begin = text.find(kBegin); begin != std::string_view::npos; begin = text.find(kBegin, begin)) {
        begin += kBegin.size();
        const std::size_t end = text.find(kEnd, begin);
        if (end == std::string_view::npos) break;
        std::string der = DecodeBase64(text.substr(begin, end - begin));
        if (!der.empty()) blocks.push_back(std::move(der));
        begin = end + kEnd.size();
    }
    return blocks;
}

std::string UnreadableReason(const std::string& path, const std::exception& error) {
    const std::string text = error.what();
    const std::string prefix = path + ": ";
    return "cannot be read: " + (text.compare(0, prefix.size(), prefix) == 0 ? text.substr(prefix.size()) : text);
}

CertificateStore PemCertificateStore(const std::string& path, int& count, std::string& failure) {
    count = 0;
    std::string text;
    try {
        text = ReadWholeFile(path);
    } catch (const std::exception& error) {
        failure = UnreadableReason(path, error);
        return nullptr;
    }
    CertificateStore store(::CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr));
    if (!store) {
        failure = "cannot make a certificate store";
        return nullptr;
    }
    for (const std::string& der : PemCertificateBlocks(text)) {
        if (::CertAddEncodedCertificateToStore(store.get(), X509_ASN_ENCODING,
                                               reinterpret_cast<const BYTE*>(der.data()),
                                               static_cast<DWORD>(der.size()), CERT_STORE_ADD_USE_EXISTING, nullptr))
            ++count;
    }
    if (count == 0) {
        failure = "holds no PEM certificate";
        return nullptr;
    }
    return store;
}

}  // namespace oprinter
