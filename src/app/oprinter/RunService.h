#pragma once
#include <string>

#include "service/ServiceIdentity.h"

namespace oprinter {

// Runs the service on the printer folder (ending with "/") on one event loop
// until SIGTERM or SIGINT; returns the exit status.
int RunService(const std::string& folder, const ServiceIdentity& identity);

}  // namespace oprinter
