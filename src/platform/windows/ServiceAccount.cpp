#include "platform/windows/ServiceAccount.h"

#include <windows.h>
#include <bcrypt.h>
#include <sddl.h>

#include <array>
#include <stdexcept>

#include "platform/SystemError.h"

namespace oprinter {
namespace {

constexpr std::size_t kSha1Size = 20;
constexpr BYTE kServiceSubAuthorities = 6;  // 80 and the five words of the hash

std::wstring UpperWide(const std::string& name) {
    const int size = ::MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
    if (size > 0) ::MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), wide.data(), size);
    ::CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
    return wide;
}

[[noreturn]] void HashFailed(NTSTATUS status) {
    throw std::runtime_error("Cannot hash the service name: NTSTATUS " + std::to_string(static_cast<long>(status)));
}

std::array<unsigned char, kSha1Size> Sha1(const std::wstring& text) {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    NTSTATUS status = ::BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA1_ALGORITHM, nullptr, 0);
    if (status < 0) HashFailed(status);
    BCRYPT_HASH_HANDLE hash = nullptr;
    status = ::BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0);
    std::array<unsigned char, kSha1Size> digest{};
    if (status >= 0) {
        auto* bytes = reinterpret_cast<unsigned char*>(const_cast<wchar_t*>(text.data()));
        status = ::BCryptHashData(hash, bytes, static_cast<ULONG>(text.size() * sizeof(wchar_t)), 0);
        if (status >= 0) status = ::BCryptFinishHash(hash, digest.data(), static_cast<ULONG>(digest.size()), 0);
        ::BCryptDestroyHash(hash);
    }
    ::BCryptCloseAlgorithmProvider(algorithm, 0);
    if (status < 0) HashFailed(status);
    return digest;
}

}  // namespace

std::string ServiceAccountName(const std::string& serviceName) { return "NT SERVICE\\" + serviceName; }

std::vector<unsigned char> ServiceSid(const std::string& serviceName) {
    const std::array<unsigned char, kSha1Size> digest = Sha1(UpperWide(serviceName));
    std::vector<unsigned char> sid(::GetSidLengthRequired(kServiceSubAuthorities));
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    if (!::InitializeSid(sid.data(), &nt, kServiceSubAuthorities))
        throw std::runtime_error("Cannot make the service's SID: " + SystemErrorText(LastSystemError()));
    *::GetSidSubAuthority(sid.data(), 0) = SECURITY_SERVICE_ID_BASE_RID;
    for (DWORD word = 0; word < 5; ++word) {
        const unsigned char* at = digest.data() + word * 4;
        *::GetSidSubAuthority(sid.data(), word + 1) =
            DWORD{at[0]} | DWORD{at[1]} << 8 | DWORD{at[2]} << 16 | DWORD{at[3]} << 24;
    }
    return sid;
}

std::string SidText(const void* sid) {
    char* text = nullptr;
    if (!::ConvertSidToStringSidA(const_cast<void*>(sid), &text)) return "(SID not readable)";
    std::string result(text);
    ::LocalFree(text);
    return result;
}

}  // namespace oprinter
