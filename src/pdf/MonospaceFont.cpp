#include "pdf/MonospaceFont.h"

#include <cairo-ft.h>
#include <fontconfig/fontconfig.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace oprinter {

namespace {

constexpr const char* kWantedFont = "DejaVu Sans Mono,monospace:spacing=mono";
// Metrics are taken at a large size, where rounding does not show.
constexpr double kMeasuringSize = 1000;

struct PatternRelease {
    void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using Pattern = std::unique_ptr<FcPattern, PatternRelease>;

Pattern MatchedPattern() {
    Pattern wanted(FcNameParse(reinterpret_cast<const FcChar8*>(kWantedFont)));
    if (!wanted || !FcConfigSubstitute(nullptr, wanted.get(), FcMatchPattern)) return nullptr;
    FcDefaultSubstitute(wanted.get());
    FcResult result = FcResultNoMatch;
    Pattern match(FcFontMatch(nullptr, wanted.get(), &result));
    int spacing = FC_PROPORTIONAL;
    if (!match || FcPatternGetInteger(match.get(), FC_SPACING, 0, &spacing) != FcResultMatch || spacing != FC_MONO) {
        return nullptr;
    }
    return match;
}

}  // namespace

MonospaceFont::MonospaceFont() {
    const Pattern match = MatchedPattern();
    if (!match) throw std::runtime_error("no monospaced font found (install fonts-dejavu-core)");
    face_ = cairo_ft_font_face_create_for_pattern(match.get());
    options_ = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options_, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options_, CAIRO_HINT_STYLE_NONE);
    if (cairo_font_face_status(face_) != CAIRO_STATUS_SUCCESS) {
        const std::string why = cairo_status_to_string(cairo_font_face_status(face_));
        cairo_font_options_destroy(options_);
        cairo_font_face_destroy(face_);
        throw std::runtime_error("the monospaced font cannot be used: " + why);
    }
}

MonospaceFont::~MonospaceFont() {
    cairo_font_options_destroy(options_);
    cairo_font_face_destroy(face_);
}

FontProportions MonospaceFont::Proportions() const {
    cairo_matrix_t size;
    cairo_matrix_init_scale(&size, kMeasuringSize, kMeasuringSize);
    cairo_matrix_t identity;
    cairo_matrix_init_identity(&identity);
    cairo_scaled_font_t* scaled = cairo_scaled_font_create(face_, &size, &identity, options_);
    cairo_font_extents_t font;
    cairo_scaled_font_extents(scaled, &font);
    cairo_text_extents_t character;
    cairo_scaled_font_text_extents(scaled, "M", &character);
    cairo_scaled_font_destroy(scaled);
    return {character.x_advance / kMeasuringSize, font.ascent / kMeasuringSize, font.height / kMeasuringSize};
}

}  // namespace oprinter
