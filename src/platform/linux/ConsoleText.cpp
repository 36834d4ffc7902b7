#include "platform/ConsoleText.h"

#include <cstdio>

namespace oprinter {

// A terminal takes the bytes of its locale's character set.
void PrintText(std::string_view text, const std::string& charset, const std::string& bytesCharset,
               const FinalTouch& touch) {
    PrintConverted(text, charset, bytesCharset, touch);
}

void PrintBytes(std::string_view bytes) { std::fwrite(bytes.data(), 1, bytes.size(), stdout); }

}  // namespace oprinter
