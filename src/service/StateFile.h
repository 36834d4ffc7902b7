#pragma once
// "oprinter.state" in the printer's folder: what the service tells the admin
// tool about itself (session state, last heartbeat and when it was sent).
// Each change replaces the file whole, so a reader never sees half of it.
//
//   session=connected|disconnected|stopped
//   heartbeat=<value>
//   heartbeat_at=<seconds since 1970-01-01 UTC>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace oprinter {

inline constexpr const char* kStateFileName = "oprinter.state";

enum class SessionState { stopped, disconnected, connected };

std::string_view SessionStateText(SessionState state);

struct ServiceState {
    SessionState session = SessionState::stopped;
    int32_t heartbeat = 0;
    int64_t heartbeatAt = 0;

    bool operator==(const ServiceState&) const = default;
};

std::string StateFileText(const ServiceState& state);
// Nothing when the text is not a complete state file.
std::optional<ServiceState> ParseStateFile(std::string_view text);
// Nothing when folder (ending with "/") holds no readable state file.
std::optional<ServiceState> ReadStateFile(const std::string& folder);

class StateFile {
public:
    explicit StateFile(std::string folder);

    void Heartbeat(int32_t value);
    void Session(SessionState session);

private:
    void Write();

    std::string fileName_;
    ServiceState state_;
    std::optional<ServiceState> written_;
};

}  // namespace oprinter
