#pragma once

namespace oprinter {

// Starts Windows Sockets once for the process, before its first socket call.
void EnsureWinsockStarted();

}  // namespace oprinter
