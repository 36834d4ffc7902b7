#include "pdf/ReportPdf.h"

#include <cairo-pdf.h>

#include <algorithm>
#include <optional>
#include <stdexcept>

#include "pdf/MonospaceFont.h"
#include "pdf/PdfMetadata.h"
#include "pdf/ReportPages.h"
#include "platform/ReplaceFile.h"
#include "platform/WholeFile.h"

namespace oprinter {

namespace {

constexpr const char* kCreator = "oprinter";
// Size lines beyond these are taken for damage, not for a page.
constexpr int32_t kMostSizeLineValue = 9999;

std::optional<size_t> SizeLine(const std::vector<std::string>& items, std::string_view name) {
    for (const std::string& item : items) {
        if (!item.starts_with(name) || item.size() <= name.size() || item[name.size()] != '=') continue;
        try {
            const int value = std::stoi(item.substr(name.size() + 1));
            if (value > 0 && value <= kMostSizeLineValue) return static_cast<size_t>(value);
        } catch (const std::exception&) {
        }
    }
    return std::nullopt;
}

cairo_status_t AppendBytes(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

void Check(cairo_status_t status, const char* what) {
    if (status != CAIRO_STATUS_SUCCESS) {
        throw std::runtime_error(std::string(what) + ": " + cairo_status_to_string(status));
    }
}

// Owns the surface and its drawing context.
class PdfCanvas {
public:
    PdfCanvas(std::string& out, const PdfPageLayout& layout)
        : surface_(cairo_pdf_surface_create_for_stream(AppendBytes, &out, layout.width, layout.height)),
          cr_(cairo_create(surface_)) {}
    ~PdfCanvas() {
        cairo_destroy(cr_);
        cairo_surface_destroy(surface_);
    }
    PdfCanvas(const PdfCanvas&) = delete;
    PdfCanvas& operator=(const PdfCanvas&) = delete;

    cairo_surface_t* Surface() const { return surface_; }
    cairo_t* Context() const { return cr_; }

private:
    cairo_surface_t* surface_;
    cairo_t* cr_;
};

void SetMetadata(cairo_surface_t* surface, const PdfMetadata& metadata, const TextConverter& toUtf8) {
    const auto set = [&](cairo_pdf_metadata_t field, const std::string& value) {
        if (!value.empty()) cairo_pdf_surface_set_metadata(surface, field, toUtf8.Convert(value).c_str());
    };
    set(CAIRO_PDF_METADATA_TITLE, metadata.title);
    set(CAIRO_PDF_METADATA_AUTHOR, metadata.author);
    set(CAIRO_PDF_METADATA_SUBJECT, metadata.subject);
    set(CAIRO_PDF_METADATA_KEYWORDS, metadata.keywords);
    set(CAIRO_PDF_METADATA_CREATE_DATE, metadata.creationDate);
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATOR, kCreator);
}

void DrawPage(cairo_t* cr, const std::vector<std::string>& lines, const PdfPageLayout& layout,
              const TextConverter& toUtf8) {
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].empty()) continue;
        cairo_move_to(cr, layout.margin, layout.firstBaseline + static_cast<double>(i) * layout.lineHeight);
        cairo_show_text(cr, toUtf8.Convert(lines[i]).c_str());
    }
    cairo_show_page(cr);
}

}  // namespace

std::string ReportPdf(const SpoolFileContent& content, const PdfOptions& options) {
    const TextConverter toUtf8(options.charset, "UTF-8");
    const ReportPages report = SplitIntoPages(content.Text);
    const MonospaceFont font;
    const size_t columns = std::max(report.widestLine, SizeLine(content.Attributes, "CaratteriPerRiga").value_or(0));
    const size_t lines = std::max(report.longestPage, SizeLine(content.Attributes, "RighePerPagina").value_or(0));
    const PdfPageLayout layout = LayOutPage(options.paper, columns, lines, font.Proportions());

    std::string pdf;
    {
        PdfCanvas canvas(pdf, layout);
        Check(cairo_surface_status(canvas.Surface()), "cannot make the PDF");
        SetMetadata(canvas.Surface(), MetadataOf(content.Attributes), toUtf8);
        cairo_t* cr = canvas.Context();
        cairo_set_font_face(cr, font.Face());
        cairo_set_font_options(cr, font.Options());
        cairo_set_font_size(cr, layout.fontSize);
        cairo_set_source_rgb(cr, 0, 0, 0);
        for (const std::vector<std::string>& page : report.pages) DrawPage(cr, page, layout, toUtf8);
        Check(cairo_status(cr), "cannot draw the PDF");
        cairo_surface_finish(canvas.Surface());
        Check(cairo_surface_status(canvas.Surface()), "cannot finish the PDF");
    }
    return pdf;
}

void WriteReportPdf(const std::string& spoolPath, const std::string& pdfPath, const PdfOptions& options) {
    const std::string pdf = ReportPdf(ParseSpoolFile(ReadWholeFile(spoolPath)), options);
    ReplaceFile(pdfPath, pdf, 0644);
}

}  // namespace oprinter
