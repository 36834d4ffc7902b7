#pragma once
// A generated month-end report as the host's print transform sends it: 132
// columns, 66 lines a page, CR LF between lines, CR FF at the end of a page,
// an underlined heading (overprinted through CR without LF) and accented
// letters for the substitution table. It holds no NUL and no 0xFF byte.
#include <cstddef>
#include <string>

namespace oprinter::bench {

struct Report {
    std::string text;
    // N2 of the spool file that the decoded text gives.
    size_t documentSize = 0;
};

// At least textBytes of text. The first byte opens the first line: a NUL
// (which fetches the spool attributes) or, without it, a CR LF.
Report MakeReport(size_t textBytes, bool leadingNul);

// A 20-line site table: comment and blank lines, accented letters and a few
// symbols.
std::string ReportCvTable();

}  // namespace oprinter::bench
