#include "hostspool/Columns.h"

namespace oprinter {
namespace {

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

}  // namespace

std::string_view Columns(std::string_view line, size_t first, size_t last) {
    if (first == 0 || first > line.size() || last < first) return {};
    return line.substr(first - 1, last - first + 1);
}

std::string Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return std::string(text);
}

}  // namespace oprinter
