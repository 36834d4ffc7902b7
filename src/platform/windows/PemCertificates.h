#pragma once
// The certificates of a PEM file, for the authorities of TLSCAFile.
#include <string>
#include <string_view>
#include <vector>

#include "platform/windows/SchannelHandles.h"

namespace oprinter {

// The DER bytes of each "CERTIFICATE" block of a PEM text, in order; a
// block whose Base64 does not decode is left out.
std::vector<std::string> PemCertificateBlocks(std::string_view text);

// An in-memory store of the certificates of the PEM file at path; null with
// the reason in failure ("cannot be read: ...", "holds no PEM certificate").
// count: how many it holds.
CertificateStore PemCertificateStore(const std::string& path, int& count, std::string& failure);

// The reason of a file that ReadWholeFile could not read, without its path.
std::string UnreadableReason(const std::string& path, const std::exception& error);

}  // namespace oprinter
