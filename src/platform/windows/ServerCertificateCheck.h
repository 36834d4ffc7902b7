#pragma once
// The check of the host's certificate after the handshake: Schannel is told
// to leave it to us, so that the authorities of TLSCAFile alone can be
// trusted and the reasons are the ones the logs use.
#include <string>

#include "platform/HostTarget.h"
#include "platform/windows/SchannelHandles.h"

namespace oprinter {

// A chain engine for which roots are the only trusted authorities; null when
// the system refuses to make one.
ChainEngine EngineTrustingOnly(HCERTSTORE roots);

// Why peer (with the certificates the host sent beside it in its store)
// must not be trusted as host (an address checked as an IP address, a name
// as a DNS name), in the words of the logs ("unable to get local issuer certificate", "hostname
// mismatch", "IP address mismatch", ...); empty when it may. engine decides
// which authorities are trusted (HCCE_LOCAL_MACHINE: the machine's).
std::string ServerCertificateProblem(const CERT_CONTEXT* peer, HCERTCHAINENGINE engine, const HostTarget& host);

}  // namespace oprinter
