#pragma once
// Keeps the session log lines the host spool services write.
#include <string>
#include <string_view>
#include <vector>

#include "hostspool/HostAccess.h"

namespace oprinter::test {

class RecordingHostLog final : public HostLog {
public:
    std::vector<std::string> lines;
    void WriteLog(std::string_view text) override { lines.emplace_back(text); }
};

}  // namespace oprinter::test
