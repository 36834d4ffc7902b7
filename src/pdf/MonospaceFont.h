#pragma once
// The monospaced font the pages are drawn in, found through fontconfig
// (DejaVu Sans Mono on Debian, from fonts-dejavu-core).
#include <cairo.h>

#include "pdf/PdfPageLayout.h"

namespace oprinter {

class MonospaceFont {
public:
    // Throws std::runtime_error when fontconfig finds no monospaced font.
    MonospaceFont();
    ~MonospaceFont();
    MonospaceFont(const MonospaceFont&) = delete;
    MonospaceFont& operator=(const MonospaceFont&) = delete;

    cairo_font_face_t* Face() const { return face_; }
    // Metrics as drawn: without hinting, so that they scale exactly.
    const cairo_font_options_t* Options() const { return options_; }
    FontProportions Proportions() const;

private:
    cairo_font_face_t* face_ = nullptr;
    cairo_font_options_t* options_ = nullptr;
};

}  // namespace oprinter
