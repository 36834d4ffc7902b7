#pragma once
// The watchdog heartbeat: one number that an external watchdog reads to see
// that the service is alive.
#include <cstdint>
#include <memory>
#include <string>

namespace oprinter {

class HeartbeatStore {
public:
    virtual ~HeartbeatStore() = default;
    // Throws std::runtime_error carrying the error text when the value cannot be stored.
    virtual void WriteValue(int32_t value) = 0;
};

// Where the platform's watchdog reads the service's heartbeat.
std::unique_ptr<HeartbeatStore> ServiceHeartbeat(const std::string& serviceName);

inline constexpr const char* kDefaultHeartbeatRoot = "/var/lib";

// The file "<root>/kxGuardian/<serviceName>/Guardian Value", holding the value
// in decimal and a line feed. Missing folders are created; each value replaces
// the file whole, so the watchdog never reads half a value.
class HeartbeatFile final : public HeartbeatStore {
public:
    explicit HeartbeatFile(const std::string& serviceName, const std::string& root = kDefaultHeartbeatRoot);
    void WriteValue(int32_t value) override;
    const std::string& FileName() const { return fileName_; }

private:
    std::string folder_;
    std::string fileName_;
};

}  // namespace oprinter
