#include "platform/PasswordPrompt.h"

namespace oprinter {

std::optional<std::string> LineFrom(std::FILE* input) {
    int c = std::fgetc(input);
    if (c == EOF) return std::nullopt;
    std::string line;
    for (; c != EOF && c != '\n'; c = std::fgetc(input)) line += static_cast<char>(c);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

}  // namespace oprinter
