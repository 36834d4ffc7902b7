#include "platform/ConsoleText.h"

#include "platform/TextConverter.h"

namespace oprinter {

void PrintConverted(std::string_view text, const std::string& charset, const std::string& bytesCharset,
                    const FinalTouch& touch) {
    const std::string bytes =
        charset == bytesCharset ? std::string(text) : TextConverter(charset, bytesCharset).Convert(text);
    PrintBytes(touch ? touch(bytes, bytesCharset) : bytes);
}

}  // namespace oprinter
