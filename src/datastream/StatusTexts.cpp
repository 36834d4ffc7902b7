#include "datastream/StatusTexts.h"

#include <utility>

namespace oprinter {
namespace {

// Letter for letter as operators know them, final full stops included or not.
constexpr std::pair<int, const char*> kStatusTexts[] = {
    {1901, "Virtual device has less function than source device."},
    {1902, "Session successfully started"},
    {1904, "Source system at incompatible release."},
    {1906, "Automatic sign-on requested, but not allowed."},
    {2702, "Device description not found."},
    {2703, "Controller description not found."},
    {2777, "Damaged device description."},
    {8901, "Device not varied on."},
    {8902, "Device not available."},
    {8903, "Device not valid for session"},
    {8906, "Session initiation failed."},
    {8907, "Session failure."},
    {8910, "Controller not valid for session."},
    {8916, "No matching device found."},
    {8917, "Not authorized to object."},
    {8918, "Job canceled."},
    {8920, "Object partially damaged."},
    {8921, "Communications error."},
    {8922, "Negative response received."},
    {8923, "Start-up record built incorrectly."},
    {8925, "Creation of device failed."},
    {8928, "Change of device failed."},
    {8929, "Vary on or vary off failed."},
    {8930, "Message queue does not exist"},
    {8934, "Start-up for S/36 WSF received."},
    {8935, "Session rejected."},
    {8936, "Security failure on session attempt."},
    {8937, "Automatic sign-on rejected."},
    {8940, "Automatic configuration failed or not allowed."},
};

}  // namespace

std::string StartupStatusText(int code, const std::string& codeText) {
    for (const auto& [known, text] : kStatusTexts) {
        if (known == code) return text;
    }
    return "Unknow error #" + codeText;
}

}  // namespace oprinter
