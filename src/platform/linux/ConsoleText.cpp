#include "platform/ConsoleText.h"

namespace oprinter {

// A terminal takes the bytes of its locale's character set.
void PrintText(std::string_view text, const std::string& charset, const std::string& bytesCharset) {
    PrintConverted(text, charset, bytesCharset);
}

}  // namespace oprinter
