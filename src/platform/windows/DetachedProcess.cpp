// Detached processes make the PDF copies, which need cairo: the Windows
// build has neither, and says so for each spool file instead.
#include "platform/DetachedProcess.h"

#include <stdexcept>

#include <asio/post.hpp>

#include "platform/ProcessReport.h"

namespace oprinter {

int StartDetachedProcess(const std::vector<std::string>&, bool) {
    throw std::runtime_error("PDF copies are not available in the Windows build");
}

struct ProcessReport::State {
    explicit State(asio::io_context& loop) : loop(loop) {}
    asio::io_context& loop;
};

ProcessReport::ProcessReport(asio::io_context& loop) : state_(std::make_unique<State>(loop)) {}

ProcessReport::~ProcessReport() = default;

void ProcessReport::Assign(int) {}

void ProcessReport::ReadSome(std::span<char>, std::function<void(std::size_t, bool)> handler) {
    asio::post(state_->loop, [handler = std::move(handler)] { handler(0, true); });
}

void ProcessReport::Close() {}

}  // namespace oprinter
