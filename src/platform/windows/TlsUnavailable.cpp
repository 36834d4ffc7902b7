// TLS on Windows would need Schannel; this build has none. A configuration
// that asks for TLS gets the reason below in its log line ("Error: TLS ...")
// and nothing connects: no context can be made, so no connection is ever
// set up over one, and the connection calls only report the same reason.
#include "platform/TlsConnection.h"
#include "platform/TlsContext.h"
#include "platform/TlsFiles.h"

namespace oprinter {

namespace {

constexpr const char* kUnavailable = "is not available in the Windows build (set TLS and FtpTLS to False)";

TlsResult Unavailable() { return {TlsStep::Failed, 0, 0, kUnavailable}; }

TlsFileCheck UnavailableCheck() { return {false, std::string("TLS ") + kUnavailable}; }

}  // namespace

std::shared_ptr<const TlsContext> TlsContext::Make(const TlsOptions&, std::string& failure) {
    failure = kUnavailable;
    return nullptr;
}

ssl_st* TlsContext::NewClient(const HostTarget&, ssl_st*, std::string& failure) const {
    failure = kUnavailable;
    return nullptr;
}

void TlsContext::Release::operator()(ssl_ctx_st*) const {}

TlsConnection::TlsConnection(std::shared_ptr<const TlsContext> context, int handle, const HostTarget&)
    : context_(std::move(context)), handle_(handle) {}

TlsConnection::TlsConnection(std::shared_ptr<const TlsContext> context, const HostTarget&, const TlsConnection*)
    : context_(std::move(context)), handle_(-1) {}

TlsConnection::~TlsConnection() = default;

void TlsConnection::Release::operator()(ssl_st*) const {}

TlsResult TlsConnection::Handshake() { return Unavailable(); }
TlsResult TlsConnection::Read(void*, std::size_t) { return Unavailable(); }
TlsResult TlsConnection::Peek() { return Unavailable(); }
TlsResult TlsConnection::Write(const void*, std::size_t) { return Unavailable(); }
void TlsConnection::Shutdown() {}
std::size_t TlsConnection::Pending() const { return 0; }
bool TlsConnection::PeerClosed() const { return false; }
std::string TlsConnection::TakeOutgoing() { return {}; }
void TlsConnection::GiveIncoming(std::string_view) {}
TlsResult TlsConnection::WriteAllBy(const void*, std::size_t, Deadline) { return Unavailable(); }

TlsFileCheck CheckCAFile(const std::string&) { return UnavailableCheck(); }
TlsFileCheck CheckCertificateFile(const std::string&) { return UnavailableCheck(); }
TlsFileCheck CheckKeyFile(const std::string&, const std::string&) { return UnavailableCheck(); }

}  // namespace oprinter
