// SHA-256 through the CNG primitives (bcrypt).
#include "platform/Digest.h"

#include <windows.h>
#include <bcrypt.h>

#include <algorithm>
#include <stdexcept>

namespace oprinter {

namespace {

constexpr ULONG kSha256Size = 32;

void Check(NTSTATUS status, const char* what) {
    if (status < 0) throw std::runtime_error(what);
}

}  // namespace

std::string Sha256Hex(const std::vector<std::string_view>& pieces) {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    Check(::BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0), "cannot start a SHA-256 digest");
    BCRYPT_HASH_HANDLE hash = nullptr;
    unsigned char digest[kSha256Size];
    NTSTATUS status = ::BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0);
    for (size_t i = 0; status >= 0 && i < pieces.size(); ++i) {
        // Pieces beyond 4 GiB go in parts of what one call takes.
        for (std::string_view rest = pieces[i]; status >= 0 && !rest.empty();) {
            const ULONG part = static_cast<ULONG>(std::min<size_t>(rest.size(), 1u << 30));
            status = ::BCryptHashData(hash, reinterpret_cast<PUCHAR>(const_cast<char*>(rest.data())), part, 0);
            rest.remove_prefix(part);
        }
    }
    if (status >= 0) status = ::BCryptFinishHash(hash, digest, kSha256Size, 0);
    if (hash != nullptr) ::BCryptDestroyHash(hash);
    ::BCryptCloseAlgorithmProvider(algorithm, 0);
    Check(status, "cannot make a SHA-256 digest");
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (const unsigned char byte : digest) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0xF];
    }
    return hex;
}

}  // namespace oprinter
