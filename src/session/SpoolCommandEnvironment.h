#pragma once
// What SpoolCommand finds in its environment: each attribute of the spool
// file as OPRINTER_<NAME IN CAPITALS>, in UTF-8, and the printer and the PDF.
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace oprinter {

using EnvironmentVariables = std::vector<std::pair<std::string, std::string>>;

// attributes are the spool file's "name=value" items in charset; an item
// whose name is not letters, digits and "_" is left out, and NUL bytes of a
// value are dropped. pdf: the PDF's path when one was made first.
EnvironmentVariables SpoolCommandEnvironment(const std::vector<std::string>& attributes, const std::string& charset,
                                             const std::string& printer, const std::optional<std::string>& pdf);

}  // namespace oprinter
