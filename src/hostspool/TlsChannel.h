#pragma once
// TLS over a byte channel, the client side, for explicit TLS on FTP: the
// control connection turns into one after AUTH TLS, and each of its data
// connections is one too, resuming the control connection's session (some
// servers insist on it). TLS works on memory buffers here, so every wait
// is the wrapped channel's, within the time limit it is given. Only the
// host's close_notify ends a stream as Closed: a stream that stops without
// it, or breaks, is Broken with "TLS " + the reason, since someone on the
// path could have cut it short.
#include <chrono>
#include <memory>
#include <string>

#include "hostspool/ByteChannel.h"
#include "platform/TlsContext.h"

namespace oprinter {

// The secured channel once the handshake has succeeded; else null, plain
// aborted, and failure "TLS " + the reason (e.g. "TLS certificate verify failed
// (hostname mismatch)"). host is what the certificate must name.
std::unique_ptr<ByteChannel> SecureChannel(std::unique_ptr<ByteChannel> plain,
                                           std::shared_ptr<const TlsContext> context, const HostTarget& host,
                                           std::chrono::milliseconds timeLimit, std::string& failure);

}  // namespace oprinter
