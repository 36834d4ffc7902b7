#include "session/SpoolCommandEnvironment.h"

#include <algorithm>
#include <memory>
#include <stdexcept>

#include "platform/TextConverter.h"

namespace oprinter {

namespace {

constexpr std::string_view kPrefix = "OPRINTER_";

bool IsNameCharacter(char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'; }

// The attribute names are the system's own, in ISO 8859-1: "Priorit\xE0"
// becomes PRIORITA, a name a shell can use.
char Capital(char c) {
    switch (static_cast<unsigned char>(c)) {
        case 0xC0: case 0xE0: case 0xC1: case 0xE1: return 'A';
        case 0xC8: case 0xE8: case 0xC9: case 0xE9: return 'E';
        case 0xCC: case 0xEC: case 0xCD: case 0xED: return 'I';
        case 0xD2: case 0xF2: case 0xD3: case 0xF3: return 'O';
        case 0xD9: case 0xF9: case 0xDA: case 0xFA: return 'U';
        default: return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    }
}

std::string Capitals(std::string name) {
    std::transform(name.begin(), name.end(), name.begin(), Capital);
    return name;
}

std::unique_ptr<TextConverter> ToUtf8(const std::string& charset) {
    try {
        return std::make_unique<TextConverter>(charset, "UTF-8");
    } catch (const std::invalid_argument&) {
        return std::make_unique<TextConverter>(kDefaultCharset, "UTF-8");
    }
}

std::string WithoutNul(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\0'), text.end());
    return text;
}

}  // namespace

EnvironmentVariables SpoolCommandEnvironment(const std::vector<std::string>& attributes, const std::string& charset,
                                             const std::string& printer, const std::optional<std::string>& pdf) {
    const std::unique_ptr<TextConverter> toUtf8 = ToUtf8(charset);
    EnvironmentVariables variables;
    for (const std::string& item : attributes) {
        const size_t equals = item.find('=');
        if (equals == 0 || equals == std::string::npos) continue;
        const std::string name = Capitals(item.substr(0, equals));
        if (!std::all_of(name.begin(), name.end(), IsNameCharacter)) continue;
        variables.emplace_back(std::string(kPrefix) + name, WithoutNul(toUtf8->Convert(item.substr(equals + 1))));
    }
    variables.emplace_back(std::string(kPrefix) + "PRINTER", printer);
    if (pdf) variables.emplace_back(std::string(kPrefix) + "PDF", *pdf);
    return variables;
}

}  // namespace oprinter
