// PDFs of the test host's sample documents, read back with poppler-utils as
// a reader of the files would see them.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "pdf/ReportPdf.h"
#include "support/TempFolder.h"

namespace oprinter {
namespace {

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

std::string Output(const std::string& command) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    std::string out;
    char buffer[4096];
    size_t got;
    while (pipe && (got = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0) out.append(buffer, got);
    return out;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class ReportPdfTest : public ::testing::Test {
protected:
    // The spool file the service makes of a sample ("report" or "letter"), and its PDF.
    std::string SamplePdf(const std::string& sample, const PdfOptions& options = {}) {
        const std::string spool = folder.File(sample + ".spool");
        const std::string make =
            "/usr/bin/python3 " OPRINTER_SOURCE_DIR "/testhost/sample_spool.py " + sample + " " + Quoted(spool);
        EXPECT_EQ(std::system(make.c_str()), 0);
        WriteReportPdf(spool, PdfPathFor(spool), options);
        return PdfPathFor(spool);
    }
    std::string Info(const std::string& pdf) { return Output("pdfinfo " + Quoted(pdf)); }
    std::string PageText(const std::string& pdf, int page) {
        const std::string number = std::to_string(page);
        return Output("pdftotext -layout -enc UTF-8 -f " + number + " -l " + number + " " + Quoted(pdf) + " -");
    }

    test::TempFolder folder;
};

TEST_F(ReportPdfTest, WideReportOfSeveralPages) {
    const std::string pdf = SamplePdf("report");
    const std::string info = Info(pdf);
    EXPECT_TRUE(Contains(info, "Pages:           4\n")) << info;
    EXPECT_TRUE(Contains(info, "Page size:       841.89 x 595.276 pts (A4)")) << info;
    EXPECT_TRUE(Contains(info, "Title:           VENDITE\n")) << info;
    EXPECT_TRUE(Contains(info, "Author:          ROSSI\n")) << info;
    EXPECT_TRUE(Contains(info, "Subject:         VENDMENS/ROSSI/482913\n")) << info;
    EXPECT_TRUE(Contains(info, "Keywords:        NOV 2026\n")) << info;
    EXPECT_TRUE(Contains(info, "CreationDate:    Tue Dec  8 09:15:30 2026")) << info;
    for (int page = 1; page <= 3; ++page) {
        const std::string text = PageText(pdf, page);
        EXPECT_TRUE(Contains(text, "RIEPILOGO VENDITE PER AGENTE")) << page;
        EXPECT_TRUE(Contains(text, "PAGINA    " + std::to_string(page))) << text;
        EXPECT_FALSE(Contains(text, "PAGINA    " + std::to_string(page + 1))) << text;
    }
    EXPECT_TRUE(Contains(PageText(pdf, 4), "*** FINE STAMPA"));
    // The whole 132-column line is on the page, none of it cut off.
    EXPECT_TRUE(Contains(PageText(pdf, 1), "Provv.%    Provvigione")) << PageText(pdf, 1);
}

TEST_F(ReportPdfTest, LetterWithAccentsAndTheEuroSign) {
    const std::string pdf = SamplePdf("letter");
    const std::string info = Info(pdf);
    EXPECT_TRUE(Contains(info, "Pages:           1\n")) << info;
    EXPECT_TRUE(Contains(info, "Page size:       595.276 x 841.89 pts (A4)")) << info;
    EXPECT_TRUE(Contains(info, "Title:           LETTERA\n")) << info;
    const std::string text = PageText(pdf, 1);
    for (const char* part : {"Spett.le Soci\xC3\xA9t\xC3\xA9 G\xC3\xA9n\xC3\xA9rale", "L'Ha\xC3\xBF-les-Roses",
                             "\xE2\x82\xAC 1.250,00 pi\xC3\xB9 IVA", "Sig.ra M\xC3\xBCller"}) {
        EXPECT_TRUE(Contains(text, part)) << part << "\n" << text;
    }
    // The font travels inside the file, as a subset.
    const std::string fonts = Output("pdffonts " + Quoted(pdf));
    EXPECT_TRUE(Contains(fonts, "+DejaVuSansMono")) << fonts;
    EXPECT_TRUE(Contains(fonts, " yes yes yes ")) << fonts;
}

TEST_F(ReportPdfTest, PaperAndCharsetOptions) {
    PdfOptions options;
    options.paper = Paper::kLetter;
    options.charset = "ISO-8859-15";  // 0xE0 is still à; 0x80 is no character there
    const std::string pdf = SamplePdf("letter", options);
    EXPECT_TRUE(Contains(Info(pdf), "Page size:       612 x 792 pts (letter)"));
    EXPECT_TRUE(Contains(PageText(pdf, 1), "unit\xC3\xA0 entro"));
}

TEST_F(ReportPdfTest, DamagedSpoolFileGivesNoPdf) {
    folder.Write("bad.spool", std::string("\x01\x00\x00\x00\x10\x00\x00\x00Nome=X", 14));
    EXPECT_THROW(WriteReportPdf(folder.File("bad.spool"), folder.File("bad.pdf"), {}), SpoolFileFormatError);
    EXPECT_THROW(WriteReportPdf(folder.File("missing.spool"), folder.File("missing.pdf"), {}), std::runtime_error);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1);
}

TEST(PdfPathFor, ExtensionReplaced) {
    EXPECT_EQ(PdfPathFor("/s/Spool/QSYSPRT 20261208091530123.spool"), "/s/Spool/QSYSPRT 20261208091530123.pdf");
    EXPECT_EQ(PdfPathFor("report.txt"), "report.txt.pdf");
}

}  // namespace
}  // namespace oprinter
