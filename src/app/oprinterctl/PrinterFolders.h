#pragma once
// Where the printers of a packaged installation live: one folder per
// instance NAME of oprinter@NAME.service.
#include <string>
#include <vector>

namespace oprinter::ctl {

inline constexpr const char* kPrintersRoot = "/var/lib/oprinter";

// The folders under root that hold an OPrinter.cfg, sorted, each with its trailing "/".
std::vector<std::string> PrinterFolders(const std::string& root);

// Whether NAME can name a printer: a unit instance and a folder name alike.
bool IsPrinterName(const std::string& name);

}  // namespace oprinter::ctl
