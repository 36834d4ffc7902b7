#pragma once
// Who the service is to the service manager, the watchdog and the event log.

namespace oprinter {

inline constexpr const char* kServiceName = "O3812Printer";
inline constexpr const char* kDisplayName = "Orvo Printer Service";

}  // namespace oprinter
