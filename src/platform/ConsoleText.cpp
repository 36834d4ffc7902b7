#include "platform/ConsoleText.h"

#include "platform/TextConverter.h"

namespace oprinter {

void PrintConverted(std::string_view text, const std::string& charset, const std::string& bytesCharset) {
    PrintBytes(charset == bytesCharset ? std::string(text) : TextConverter(charset, bytesCharset).Convert(text));
}

}  // namespace oprinter
