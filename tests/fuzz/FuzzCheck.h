#pragma once
// What the fuzz programs share: a broken promise ends the run as a crash, so
// libFuzzer keeps the input that broke it.
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "hostspool/HostAccess.h"

namespace oprinter::fuzz {

inline void Require(bool holds, std::string_view promise) {
    if (holds) return;
    std::fprintf(stderr, "broken promise: %.*s\n", static_cast<int>(promise.size()), promise.data());
    std::abort();
}

// The host spool services log here; nobody reads it.
class NullHostLog final : public HostLog {
public:
    void WriteLog(std::string_view) override {}
};

}  // namespace oprinter::fuzz
