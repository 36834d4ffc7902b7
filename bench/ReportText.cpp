#include "ReportText.h"

#include <cstdint>
#include <cstdio>

namespace oprinter::bench {
namespace {

constexpr int kColumns = 132;
constexpr int kLinesPerPage = 66;
constexpr const char* kNames[] = {"ROSSI MARIO", "BIANCHI ANNA", "VERDI GIUSEPPE", "NICOL\xD2 FERRARI",
                                  "ESPOSITO LUCA", "ROMANO GIULIA", "COLOMBO FABIO", "RICCI CHIARA"};
constexpr const char* kCities[] = {"MILANO", "TORINO", "FORL\xCC", "CANT\xD9", "NAPOLI", "CITT\xC0 DI CASTELLO"};

// A small deterministic generator, so every run prints the same report.
class Sequence {
public:
    uint32_t Next(uint32_t below) {
        state_ = state_ * 1103515245u + 12345u;
        return (state_ >> 8) % below;
    }

private:
    uint32_t state_ = 20261209u;
};

std::string Padded(std::string text, size_t width) {
    text.resize(width, ' ');
    return text;
}

std::string Heading(int page) {
    char right[40];
    std::snprintf(right, sizeof right, "PAGINA %6d", page);
    std::string left = "ACME S.P.A.     ESTRATTO CONTO CLIENTI AL 31/12/2026     FILIALE DI MILANO";
    return Padded(left, kColumns - 12) + right;
}

std::string DetailLine(Sequence& random) {
    char line[200];
    const uint32_t cents = random.Next(100000000);
    std::snprintf(line, sizeof line, "  %06u  %-24s %-20s %02u/%02u/2026  FATT. %07u  %12u,%02u  %-9s",
                  random.Next(1000000), kNames[random.Next(8)], kCities[random.Next(6)], 1 + random.Next(28),
                  1 + random.Next(12), random.Next(10000000), cents / 100, cents % 100,
                  random.Next(4) == 0 ? "SCADUTA" : "APERTA");
    std::string text = line;
    // Some lines run to the full width, others end early: the column count
    // of a line is what the data made of it.
    if (random.Next(3) == 0) text = Padded(text, kColumns);
    return text;
}

// One page; documentSize counts what the decoded lines give.
void AppendPage(int page, Sequence& random, Report& report) {
    const std::string heading = Heading(page);
    // The heading underlined by overprinting: CR back to column 1, then underscores.
    report.text += heading + "\r" + std::string(38, '_') + "\r\n";
    report.documentSize += heading.size() + 2;
    for (int line = 2; line < kLinesPerPage; ++line) {
        const std::string text = line == 2 || line == 3 || random.Next(9) == 0 ? "" : DetailLine(random);
        report.text += text + "\r\n";
        report.documentSize += text.size() + 2;
    }
    const std::string footer = "  TOTALE PAGINA";
    report.text += footer + "\r\x0C";
    report.documentSize += footer.size() + 1 + 2;
}

}  // namespace

Report MakeReport(size_t textBytes, bool leadingNul) {
    Report report;
    report.text.reserve(textBytes + 16 * 1024);
    report.text += leadingNul ? std::string(1, '\0') : std::string("\r\n");
    Sequence random;
    for (int page = 1; report.text.size() < textBytes; ++page) AppendPage(page, random, report);
    // The page break leaves an empty last line.
    report.documentSize += 2;
    return report;
}

std::string ReportCvTable() {
    return "# Tabella di conversione del sito\r\n"
           "\r\n"
           "\xE0=a\r\n\xE8=e\r\n\xE9=e\r\n\xEC=i\r\n\xF2=o\r\n\xF9=u\r\n"
           "\xC0=A\r\n\xC8=E\r\n\xC9=E\r\n\xCC=I\r\n\xD2=O\r\n\xD9=U\r\n"
           "{=(\r\n}=)\r\n|=!\r\n~=-\r\n\xA7=S\r\n\xB0=o\r\n";
}

}  // namespace oprinter::bench
