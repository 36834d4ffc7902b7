// SHA-256 through OpenSSL's message digests.
#include "platform/Digest.h"

#include <openssl/evp.h>

#include <memory>
#include <stdexcept>

namespace oprinter {

std::string Sha256Hex(const std::vector<std::string_view>& pieces) {
    const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1)
        throw std::runtime_error("cannot start a SHA-256 digest");
    for (const std::string_view piece : pieces) {
        if (EVP_DigestUpdate(context.get(), piece.data(), piece.size()) != 1)
            throw std::runtime_error("cannot make a SHA-256 digest");
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_DigestFinal_ex(context.get(), digest, &size) != 1) throw std::runtime_error("cannot end a SHA-256 digest");
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < size; ++i) {
        hex += kDigits[digest[i] >> 4];
        hex += kDigits[digest[i] & 0xF];
    }
    return hex;
}

}  // namespace oprinter
