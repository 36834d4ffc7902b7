#include "pdf/ReportPages.h"

#include <algorithm>
#include <string>

namespace oprinter {

namespace {

constexpr char kFormFeed = '\f';
constexpr std::string_view kLineEnd = "\r\n";

bool IsBlank(char c) { return c == ' '; }

// The line without its form feeds, control bytes as blanks and the blanks at
// its end dropped.
std::string CleanLine(std::string_view line) {
    std::string clean;
    clean.reserve(line.size());
    for (const char c : line) {
        if (c == kFormFeed) continue;
        clean += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? ' ' : c;
    }
    while (!clean.empty() && IsBlank(clean.back())) clean.pop_back();
    return clean;
}

// The lines of the text; a text that does not end with CR LF has its last
// line all the same.
std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const size_t end = text.find(kLineEnd);
        if (end == std::string_view::npos) {
            lines.push_back(text);
            break;
        }
        lines.push_back(text.substr(0, end));
        text.remove_prefix(end + kLineEnd.size());
    }
    return lines;
}

size_t LinesWithText(const std::vector<std::string>& page) {
    const auto last = std::find_if(page.rbegin(), page.rend(), [](const std::string& line) { return !line.empty(); });
    return static_cast<size_t>(page.rend() - last);
}

}  // namespace

ReportPages SplitIntoPages(std::string_view documentText) {
    ReportPages report;
    report.pages.emplace_back();
    bool pageEnded = false;
    for (const std::string_view line : Lines(documentText)) {
        if (pageEnded) report.pages.emplace_back();
        report.pages.back().push_back(CleanLine(line));
        report.widestLine = std::max(report.widestLine, report.pages.back().back().size());
        pageEnded = line.find(kFormFeed) != std::string_view::npos;
    }
    // What follows the last form feed is a page only if it holds text.
    if (report.pages.size() > 1 && LinesWithText(report.pages.back()) == 0) report.pages.pop_back();
    for (const auto& page : report.pages) report.longestPage = std::max(report.longestPage, LinesWithText(page));
    return report;
}

}  // namespace oprinter
