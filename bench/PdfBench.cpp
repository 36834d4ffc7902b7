// PDF of a 20 MiB report: bytes of spool file text per second, beside the
// least that drawing the same lines takes: cairo's PDF surface and the same
// font, the lines split beforehand, no character set conversion.
#include <benchmark/benchmark.h>
#include <cairo-pdf.h>

#include <string>
#include <vector>

#include "Comparison.h"
#include "pdf/MonospaceFont.h"
#include "pdf/ReportPdf.h"

namespace oprinter::bench {
namespace {

constexpr size_t kReportBytes = 20 << 20;
constexpr size_t kLinesPerPage = 66;

// 132-column lines with accented letters, a form feed ending every page.
SpoolFileContent Report() {
    SpoolFileContent content;
    content.Attributes = {"Nome=VENDITE", "Utente=ROSSI", "RighePerPagina=66", "CaratteriPerRiga=132"};
    for (size_t line = 0; content.Text.size() < kReportBytes; ++line) {
        std::string text = "1000" + std::to_string(line % 100000) + "  Agente numero " + std::to_string(line) +
                           "  Citt\xE0 di Forl\xEC  Imponibile \x80 1.250,00";
        text.resize(132, '.');
        if (line % kLinesPerPage == kLinesPerPage - 1) text += '\f';
        content.Text += text + "\r\n";
    }
    return content;
}

const SpoolFileContent& SharedReport() {
    static const SpoolFileContent report = Report();
    return report;
}

cairo_status_t Discard(void*, const unsigned char*, unsigned int) { return CAIRO_STATUS_SUCCESS; }

void BM_Pdf20MiB(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(ReportPdf(SharedReport(), {}));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * SharedReport().Text.size()));
}

void BM_Pdf20MiBBaseline(benchmark::State& state) {
    std::vector<std::string> lines;
    const std::string& text = SharedReport().Text;
    for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
        for (char& c : lines.back()) c = static_cast<unsigned char>(c) < 0x80 && c != '\f' ? c : '?';
    }
    const MonospaceFont font;
    for (auto _ : state) {
        cairo_surface_t* surface = cairo_pdf_surface_create_for_stream(Discard, nullptr, 842, 595);
        cairo_t* cr = cairo_create(surface);
        cairo_set_font_face(cr, font.Face());
        cairo_set_font_size(cr, 7);
        for (size_t i = 0; i < lines.size(); ++i) {
            cairo_move_to(cr, 28, 35 + static_cast<double>(i % kLinesPerPage) * 8);
            cairo_show_text(cr, lines[i].c_str());
            if (i % kLinesPerPage == kLinesPerPage - 1) cairo_show_page(cr);
        }
        cairo_destroy(cr);
        cairo_surface_finish(surface);
        cairo_surface_destroy(surface);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

BENCHMARK(BM_Pdf20MiB)->Iterations(2)->UseRealTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_Pdf20MiBBaseline)->Iterations(2)->UseRealTime()->Unit(benchmark::kSecond);

}  // namespace
}  // namespace oprinter::bench

int main(int argc, char** argv) {
    using namespace oprinter::bench;
    Measurements measured;
    if (!RunBenchmarks(argc, argv, measured)) return 1;
    constexpr double kMiB = 1 << 20;
    PrintComparison("PDF of a 20 MiB report", measured.BytesPerSecond("BM_Pdf20MiB") / kMiB,
                    measured.BytesPerSecond("BM_Pdf20MiBBaseline") / kMiB, "MiB/s");
    return 0;
}
