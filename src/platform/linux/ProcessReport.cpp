#include "platform/ProcessReport.h"

#include <asio/posix/stream_descriptor.hpp>

namespace oprinter {

struct ProcessReport::State {
    explicit State(asio::io_context& loop) : pipe(loop) {}
    asio::posix::stream_descriptor pipe;
};

ProcessReport::ProcessReport(asio::io_context& loop) : state_(std::make_unique<State>(loop)) {}

ProcessReport::~ProcessReport() = default;

void ProcessReport::Assign(int handle) { state_->pipe.assign(handle); }

void ProcessReport::ReadSome(std::span<char> into, std::function<void(std::size_t, bool)> handler) {
    state_->pipe.async_read_some(asio::buffer(into.data(), into.size()),
                                 [handler = std::move(handler)](const asio::error_code& error, std::size_t size) {
                                     handler(size, static_cast<bool>(error));
                                 });
}

void ProcessReport::Close() {
    asio::error_code ignored;
    state_->pipe.close(ignored);
}

}  // namespace oprinter
