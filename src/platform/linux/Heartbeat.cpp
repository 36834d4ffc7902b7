#include "platform/Heartbeat.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "platform/ReplaceFile.h"
#include "platform/linux/WatchdogHeartbeat.h"

namespace oprinter {

HeartbeatFile::HeartbeatFile(const std::string& serviceName, const std::string& root)
    : folder_((std::filesystem::path(root) / "kxGuardian" / serviceName).string()),
      fileName_((std::filesystem::path(folder_) / "Guardian Value").string()) {}

void HeartbeatFile::WriteValue(int32_t value) {
    std::error_code error;
    std::filesystem::create_directories(folder_, error);
    if (error) throw std::runtime_error(folder_ + ": " + error.message());
    ReplaceFile(fileName_, std::to_string(value) + "\n", 0644);
}

std::unique_ptr<HeartbeatStore> ServiceHeartbeat(const std::string& serviceName) {
    // The file the watchdog reads, with systemd's watchdog fed alongside.
    class FileWithWatchdog final : public HeartbeatStore {
    public:
        explicit FileWithWatchdog(const std::string& name) : file_(name), watchdog_(file_) {}
        void WriteValue(int32_t value) override { watchdog_.WriteValue(value); }

    private:
        HeartbeatFile file_;
        WatchdogHeartbeat watchdog_;
    };
    return std::make_unique<FileWithWatchdog>(serviceName);
}

}  // namespace oprinter
