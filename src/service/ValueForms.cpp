#include "service/ValueForms.h"

#include <algorithm>
#include <charconv>

namespace oprinter {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view WithoutSign(std::string_view text) {
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) text.remove_prefix(1);
    return text;
}

bool IsDecimalNumber(std::string_view text) {
    const std::string_view digits = WithoutSign(text);
    return !digits.empty() && std::all_of(digits.begin(), digits.end(), IsDigit);
}

bool EqualsIgnoringCase(std::string_view text, std::string_view word) {
    return text.size() == word.size() &&
           std::equal(text.begin(), text.end(), word.begin(), [](char a, char b) {
               const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
               return lower(a) == lower(b);
           });
}

}  // namespace

std::optional<int32_t> DecimalInteger(std::string_view text) {
    if (!IsDecimalNumber(text)) return std::nullopt;
    // from_chars takes a minus but no plus.
    if (text.front() == '+') text.remove_prefix(1);
    int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<bool> BooleanValue(std::string_view text) {
    if (EqualsIgnoringCase(text, "true")) return true;
    if (EqualsIgnoringCase(text, "false")) return false;
    // Any length: only whether the number is zero matters.
    if (!IsDecimalNumber(text)) return std::nullopt;
    const std::string_view digits = WithoutSign(text);
    return std::any_of(digits.begin(), digits.end(), [](char c) { return c != '0'; });
}

}  // namespace oprinter
