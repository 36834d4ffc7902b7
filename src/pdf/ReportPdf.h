#pragma once
// The PDF of a spooled file: one page per page of the document, its text
// drawn as real text in a monospaced font (a reader can select and search
// it), the document information taken from the attributes.
#include <string>

#include "datastream/SpoolFileName.h"
#include "datastream/SpoolFileReader.h"
#include "pdf/PdfPageLayout.h"
#include "platform/TextConverter.h"

namespace oprinter {

struct PdfOptions {
    Paper paper = Paper::kA4;
    std::string charset = kDefaultCharset;  // of the text and the attributes
};

// The bytes of the PDF. Throws std::runtime_error when cairo or the font fail.
std::string ReportPdf(const SpoolFileContent& content, const PdfOptions& options);

// Reads the spool file and writes its PDF to pdfPath, through a temporary
// file that takes the name only when complete; an existing pdfPath is
// replaced. Throws SpoolFileFormatError for a file that is not a spool file,
// std::runtime_error for any other failure.
void WriteReportPdf(const std::string& spoolPath, const std::string& pdfPath, const PdfOptions& options);

}  // namespace oprinter
