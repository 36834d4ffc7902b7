#include "pdf/PdfPageLayout.h"

#include <algorithm>
#include <string>

namespace oprinter {

namespace {

constexpr double kPointsPerMillimetre = 72.0 / 25.4;
constexpr double kMarginMillimetres = 10;
// A short document is not blown up past a size one reads comfortably.
constexpr double kLargestFontSize = 12;

struct PaperSize {
    double shortSide;  // in points
    double longSide;
};

PaperSize SizeOf(Paper paper) {
    if (paper == Paper::kLetter) return {612, 792};  // 8.5 x 11 inches
    return {210 * kPointsPerMillimetre, 297 * kPointsPerMillimetre};
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::optional<Paper> PaperNamed(std::string_view name) {
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(), Lower);
    if (lower == "a4") return Paper::kA4;
    if (lower == "letter") return Paper::kLetter;
    return std::nullopt;
}

PdfPageLayout LayOutPage(Paper paper, size_t columns, size_t lines, const FontProportions& font) {
    const PaperSize size = SizeOf(paper);
    PdfPageLayout layout;
    const bool landscape = columns > kWidestPortraitColumns;
    layout.width = landscape ? size.longSide : size.shortSide;
    layout.height = landscape ? size.shortSide : size.longSide;
    layout.margin = kMarginMillimetres * kPointsPerMillimetre;
    const double textWidth = layout.width - 2 * layout.margin;
    const double textHeight = layout.height - 2 * layout.margin;
    // A blank document still gets a sensible size.
    const double byWidth = textWidth / (static_cast<double>(std::max<size_t>(columns, 1)) * font.advance);
    const double byHeight = textHeight / (static_cast<double>(std::max<size_t>(lines, 1)) * font.lineHeight);
    layout.fontSize = std::min({byWidth, byHeight, kLargestFontSize});
    layout.lineHeight = layout.fontSize * font.lineHeight;
    layout.firstBaseline = layout.margin + layout.fontSize * font.ascent;
    return layout;
}

}  // namespace oprinter
