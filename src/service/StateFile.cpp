#include "service/StateFile.h"

#include <charconv>
#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/ReplaceFile.h"

namespace oprinter {

namespace {

constexpr std::string_view kSession = "session=";
constexpr std::string_view kHeartbeat = "heartbeat=";
constexpr std::string_view kHeartbeatAt = "heartbeat_at=";
// A state file is a few dozen bytes; anything much larger is not one.
constexpr std::size_t kLongestStateFile = 4096;

std::optional<SessionState> SessionFromText(std::string_view text) {
    for (const SessionState state : {SessionState::stopped, SessionState::disconnected, SessionState::connected})
        if (SessionStateText(state) == text) return state;
    return std::nullopt;
}

template <typename Number>
bool ParseNumber(std::string_view text, Number& number) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

int64_t SecondsSinceEpoch() {
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
}

}  // namespace

std::string_view SessionStateText(SessionState state) {
    switch (state) {
        case SessionState::connected: return "connected";
        case SessionState::disconnected: return "disconnected";
        case SessionState::stopped: break;
    }
    return "stopped";
}

std::string StateFileText(const ServiceState& state) {
    return std::string(kSession) + std::string(SessionStateText(state.session)) + "\n" + std::string(kHeartbeat) +
           std::to_string(state.heartbeat) + "\n" + std::string(kHeartbeatAt) + std::to_string(state.heartbeatAt) + "\n";
}

std::optional<ServiceState> ParseStateFile(std::string_view text) {
    // Every line ends with a line feed, so a file cut anywhere never reads as whole.
    if (text.empty() || text.back() != '\n') return std::nullopt;
    ServiceState state;
    bool session = false, heartbeat = false, heartbeatAt = false;
    std::istringstream lines{std::string(text)};
    std::string line;
    while (std::getline(lines, line)) {
        const std::string_view view(line);
        if (view.starts_with(kSession)) {
            const std::optional<SessionState> parsed = SessionFromText(view.substr(kSession.size()));
            if (parsed) state.session = *parsed;
            session = parsed.has_value();
        } else if (view.starts_with(kHeartbeatAt)) {
            heartbeatAt = ParseNumber(view.substr(kHeartbeatAt.size()), state.heartbeatAt);
        } else if (view.starts_with(kHeartbeat)) {
            heartbeat = ParseNumber(view.substr(kHeartbeat.size()), state.heartbeat);
        }
    }
    if (!session || !heartbeat || !heartbeatAt) return std::nullopt;
    return state;
}

std::optional<ServiceState> ReadStateFile(const std::string& folder) {
    std::ifstream file(folder + kStateFileName, std::ios::binary);
    if (!file) return std::nullopt;
    std::string text(kLongestStateFile, '\0');
    file.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(file.gcount()));
    return ParseStateFile(text);
}

// A state file exists only while the service runs, or once it has stopped.
StateFile::StateFile(std::string folder) : fileName_(std::move(folder) + kStateFileName) {
    state_.session = SessionState::disconnected;
}

void StateFile::Heartbeat(int32_t value) {
    state_.heartbeat = value;
    state_.heartbeatAt = SecondsSinceEpoch();
    Write();
}

void StateFile::Session(SessionState session) {
    state_.session = session;
    Write();
}

void StateFile::Write() {
    if (written_ == state_) return;
    try {
        ReplaceFile(fileName_, StateFileText(state_), 0644);
        written_ = state_;
    } catch (const std::runtime_error&) {
        // The admin tool then finds the file old or missing and reports the
        // printer as not beating; the service itself carries on.
    }
}

}  // namespace oprinter
