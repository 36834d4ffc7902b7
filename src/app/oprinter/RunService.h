#pragma once

namespace oprinter {

// Runs the service on one event loop until SIGTERM or SIGINT; returns the exit status.
int RunService();

}  // namespace oprinter
