#pragma once
// The document text of a spool file taken apart into pages of lines, as a
// printer would have put it on paper.
#include <string>
#include <string_view>
#include <vector>

namespace oprinter {

struct ReportPages {
    // Each page's lines, without CR LF or form feed; every byte below 0x20
    // has become a blank so that columns stay where they were printed.
    std::vector<std::vector<std::string>> pages;
    size_t widestLine = 0;   // in characters (bytes)
    size_t longestPage = 0;  // in lines, up to the last one that holds text
};

// A form feed ends the page of the line it stands in; a form feed at the
// very end adds no blank page. A document without lines is one blank page.
ReportPages SplitIntoPages(std::string_view documentText);

}  // namespace oprinter
