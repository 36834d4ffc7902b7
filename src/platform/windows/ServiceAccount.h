#pragma once
// The virtual account a service runs under, "NT SERVICE\<name>", and its
// security identifier, which Windows derives from the name alone, so that
// access can be granted before the service exists.
#include <string>
#include <vector>

namespace oprinter {

std::string ServiceAccountName(const std::string& serviceName);

// The SID's bytes: S-1-5-80 followed by the SHA-1 of the upper-case name in
// UTF-16LE, as five 32-bit sub-authorities. Throws std::runtime_error when
// the hash cannot be made.
std::vector<unsigned char> ServiceSid(const std::string& serviceName);

// "S-1-5-80-...", or the SID in whatever text the system gives.
std::string SidText(const void* sid);

}  // namespace oprinter
