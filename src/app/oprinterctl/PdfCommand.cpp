// oprinterctl pdf FILE.spool [-o OUT.pdf] [--paper a4|letter] [--charset NAME]:
// writes the PDF of a spool file, by default beside it with ".pdf" in place
// of ".spool".
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/oprinterctl/CharsetChoice.h"
#include "app/oprinterctl/Commands.h"
#include "pdf/ReportPdf.h"

namespace oprinter::ctl {

namespace {

constexpr int kFailed = 1;
constexpr int kUsageError = 2;

struct PdfCommandOptions {
    std::string spoolFile;
    std::optional<std::string> pdfFile;
    std::optional<std::string> paper;
    std::optional<std::string> charset;
};

std::optional<PdfCommandOptions> ParseOptions(const std::vector<std::string>& args) {
    PdfCommandOptions options;
    std::optional<std::string> file;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "-o" && !options.pdfFile && hasValue) {
            options.pdfFile = args[++i];
        } else if (arg == "--paper" && !options.paper && hasValue) {
            options.paper = args[++i];
        } else if (arg == "--charset" && !options.charset && hasValue) {
            options.charset = args[++i];
        } else if (arg.starts_with("-") || file) {
            return std::nullopt;
        } else {
            file = arg;
        }
    }
    if (!file) return std::nullopt;
    options.spoolFile = *file;
    return options;
}

int Usage(const char* why) {
    if (why != nullptr) std::fprintf(stderr, "oprinterctl pdf: %s\n", why);
    std::fputs("usage: oprinterctl pdf FILE.spool [-o OUT.pdf] [--paper a4|letter] [--charset NAME]\n", stderr);
    return kUsageError;
}

}  // namespace

int RunPdf(const std::vector<std::string>& args) {
    const std::optional<PdfCommandOptions> options = ParseOptions(args);
    if (!options) return Usage(nullptr);
    PdfOptions pdf;
    if (options->paper) {
        const std::optional<Paper> paper = PaperNamed(*options->paper);
        if (!paper) return Usage("the paper is a4 or letter");
        pdf.paper = *paper;
    }
    const std::optional<std::string> charset = CharsetToUse(options->charset, "pdf");
    if (!charset) return kUsageError;
    pdf.charset = *charset;
    const std::string pdfFile = options->pdfFile.value_or(PdfPathFor(options->spoolFile));
    try {
        WriteReportPdf(options->spoolFile, pdfFile, pdf);
    } catch (const SpoolFileFormatError& error) {
        std::fprintf(stderr, "oprinterctl pdf: %s: not a spool file: %s\n", options->spoolFile.c_str(), error.what());
        return kFailed;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "oprinterctl pdf: %s\n", error.what());
        return kFailed;
    }
    std::printf("%s\n", pdfFile.c_str());
    return 0;
}

}  // namespace oprinter::ctl
