#include "hostspool/FtpReplies.h"

#include <array>
#include <vector>

namespace oprinter {
namespace {

constexpr size_t kNumberCount = 6;

struct Tuple {
    std::string_view text;
    bool enclosed = false;  // between parentheses: exactly six numbers
};

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

Tuple FindTuple(std::string_view line) {
    size_t open = line.find('(');
    size_t close = open == std::string_view::npos ? open : line.find(')', open + 1);
    if (close != std::string_view::npos) return {line.substr(open + 1, close - open - 1), true};
    // No parentheses: the run of digits and commas that ends at the last digit.
    size_t last = line.find_last_of("0123456789");
    if (last == std::string_view::npos) return {};
    size_t before = line.find_last_not_of("0123456789,", last);
    size_t first = before == std::string_view::npos ? 0 : before + 1;
    return {line.substr(first, last - first + 1), false};
}

std::vector<std::string_view> SplitAtCommas(std::string_view text) {
    std::vector<std::string_view> fields;
    for (size_t comma = text.find(','); comma != std::string_view::npos; comma = text.find(',')) {
        fields.push_back(text.substr(0, comma));
        text.remove_prefix(comma + 1);
    }
    fields.push_back(text);
    return fields;
}

std::optional<unsigned> ReadByteNumber(std::string_view text) {
    text = TrimBlanks(text);
    if (text.empty() || text.size() > 3) return std::nullopt;
    unsigned value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value > 255) return std::nullopt;
    return value;
}

}  // namespace

bool ClosesReply(std::string_view line) {
    return line.size() < 4 || line[3] != '-';
}

char ReplyCodeOf(std::string_view line) {
    return line.empty() ? '?' : line.front();
}

std::optional<PassiveAddress> ParsePassiveReply(std::string_view line) {
    Tuple tuple = FindTuple(line);
    std::vector<std::string_view> fields = SplitAtCommas(tuple.text);
    if (fields.size() < kNumberCount || (tuple.enclosed && fields.size() != kNumberCount)) return std::nullopt;
    std::array<unsigned, kNumberCount> numbers{};
    for (size_t i = 0; i < kNumberCount; ++i) {
        std::optional<unsigned> number = ReadByteNumber(fields[fields.size() - kNumberCount + i]);
        if (!number) return std::nullopt;
        numbers[i] = *number;
    }
    PassiveAddress address;
    for (size_t i = 0; i < 4; ++i) address.host += (i > 0 ? "." : "") + std::to_string(numbers[i]);
    address.port = static_cast<uint16_t>(numbers[4] * 256 + numbers[5]);
    return address;
}

}  // namespace oprinter
