#pragma once
// Where the text goes on a PDF page: paper, orientation and the size of the
// monospaced font, so that the widest line and the longest page fit.
#include <optional>
#include <string_view>

namespace oprinter {

enum class Paper { kA4, kLetter };

// "a4" or "letter", in any letter case.
std::optional<Paper> PaperNamed(std::string_view name);

// The font's proportions at size 1.
struct FontProportions {
    double advance;  // width of one character
    double ascent;
    double lineHeight;
};

struct PdfPageLayout {
    double width = 0;  // in points
    double height = 0;
    double margin = 0;
    double fontSize = 0;
    double lineHeight = 0;  // distance of two baselines
    double firstBaseline = 0;
    bool Landscape() const { return width > height; }
};

// Documents wider than this many columns go on landscape pages.
inline constexpr size_t kWidestPortraitColumns = 100;

PdfPageLayout LayOutPage(Paper paper, size_t columns, size_t lines, const FontProportions& font);

}  // namespace oprinter
