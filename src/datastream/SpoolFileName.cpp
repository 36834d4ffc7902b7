#include "datastream/SpoolFileName.h"

#include <cstdint>
#include <cstdio>

namespace oprinter {
namespace {

// Control characters of ISO 8859-1: C0, DEL and C1.
bool IsControl(uint8_t byte) { return byte < 0x20 || (byte >= 0x7F && byte <= 0x9F); }

std::string SafeNome(std::string_view nome) {
    std::string safe(nome);
    const bool dotsOnly = nome == "." || nome == "..";
    for (char& c : safe) {
        if (dotsOnly || c == '/' || c == '\\' || IsControl(static_cast<uint8_t>(c))) c = '_';
    }
    return safe;
}

}  // namespace

std::string_view NomeOf(const std::vector<std::string>& spoolInfo) {
    constexpr std::string_view kNome = "Nome=";
    for (const std::string& line : spoolInfo) {
        if (line.starts_with(kNome)) return std::string_view(line).substr(kNome.size());
    }
    return {};
}

std::string SpoolFileName(const std::string& spoolFolder, std::string_view nome, const LocalDateTime& now) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, " %04d%02d%02d%02d%02d%02d%03d.spool", now.year, now.month, now.day, now.hour,
                  now.minute, now.second, now.millisecond);
    return spoolFolder + SafeNome(nome) + stamp;
}

std::string PdfPathFor(const std::string& spoolPath) {
    constexpr std::string_view kSpoolExtension = ".spool";
    if (!spoolPath.ends_with(kSpoolExtension)) return spoolPath + ".pdf";
    return spoolPath.substr(0, spoolPath.size() - kSpoolExtension.size()) + ".pdf";
}

}  // namespace oprinter
