#pragma once

namespace oprinter {

// Runs the service on one event loop until the service manager stops it; returns the exit status.
int RunService();

}  // namespace oprinter
