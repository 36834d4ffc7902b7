// The attribute retrieval's decoding of what it downloads: the printed
// WRKSPLF listing and the work file of the host program, any lines at all.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "hostspool/SpoolDecoding.h"

using namespace oprinter;
using fuzz::Require;

namespace {

std::vector<std::string> Lines(std::string_view text) {
    std::vector<std::string> lines;
    for (size_t end = text.find('\n'); end != std::string_view::npos; end = text.find('\n')) {
        lines.emplace_back(text.substr(0, end));
        text.remove_prefix(end + 1);
    }
    lines.emplace_back(text);
    return lines;
}

// Found or not, the list is either untouched or the 22 attribute lines.
void CheckSpoolInfo(bool found, const std::vector<std::string>& spoolInfo) {
    if (!found) {
        Require(spoolInfo.size() == 1 && spoolInfo[0] == "untouched", "a miss leaves the list as it was");
        return;
    }
    Require(spoolInfo.size() == 22, "22 attribute lines");
    for (const std::string& line : spoolInfo) Require(line.find('=') != std::string::npos, "name=value");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::string> lines = Lines(std::string_view(reinterpret_cast<const char*>(data), size));
    fuzz::NullHostLog log;

    ListingScan listing(log);
    RecordScan records;
    for (const std::string& line : lines) {
        listing.Take(line);
        records.Take(line);
    }
    std::vector<std::string> fromListing{"untouched"};
    CheckSpoolInfo(listing.Finish(fromListing), fromListing);

    std::vector<std::string> fromRecords{"untouched"};
    CheckSpoolInfo(records.Finish("PRT01", log, fromRecords), fromRecords);
    return 0;
}
