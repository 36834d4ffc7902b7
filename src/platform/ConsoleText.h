#pragma once
// Text for a person, on standard output. A Windows console takes characters
// rather than bytes: there the text goes as UTF-16, so that every character
// its font has shows, whatever the console's code page. Anywhere else (a
// file, a pipe, a Linux terminal) it goes as bytes of the character set given.
#include <functional>
#include <string>
#include <string_view>

namespace oprinter {

// What is done to the text last, in the character set it goes out in (such as
// control characters replaced); none: it goes as it is.
using FinalTouch = std::function<std::string(std::string_view text, const std::string& charset)>;

// text is in charset; bytesCharset is what a file or pipe gets.
void PrintText(std::string_view text, const std::string& charset, const std::string& bytesCharset,
               const FinalTouch& touch = {});

// The bytes of bytesCharset, whatever standard output is.
void PrintConverted(std::string_view text, const std::string& charset, const std::string& bytesCharset,
                    const FinalTouch& touch = {});

// The bytes as they are: Windows' text mode, which puts a CR before every LF,
// is left out, so that a file's own CR LF stays one.
void PrintBytes(std::string_view bytes);

}  // namespace oprinter
