#include "platform/ConsoleText.h"

#include <cstdio>

#include "platform/TextConverter.h"

namespace oprinter {

void PrintConverted(std::string_view text, const std::string& charset, const std::string& bytesCharset) {
    const std::string bytes = charset == bytesCharset ? std::string(text) : TextConverter(charset, bytesCharset).Convert(text);
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

}  // namespace oprinter
