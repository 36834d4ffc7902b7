#pragma once
// The read end of a started program's output (StartDetachedProcess), read on
// the event loop.
#include <cstddef>
#include <functional>
#include <memory>
#include <span>

#include <asio/io_context.hpp>

namespace oprinter {

class ProcessReport {
public:
    explicit ProcessReport(asio::io_context& loop);
    ~ProcessReport();
    ProcessReport(const ProcessReport&) = delete;
    ProcessReport& operator=(const ProcessReport&) = delete;

    // Takes over the pipe's read end.
    void Assign(int handle);
    // Calls handler once with the bytes read into `into`, and ended true when
    // the program's output has reached its end (or can no longer be read).
    void ReadSome(std::span<char> into, std::function<void(std::size_t size, bool ended)> handler);
    void Close();

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace oprinter
