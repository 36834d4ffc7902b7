// The telnet socket over TLS beside the same socket in clear: how long a
// connect takes with its handshake, and how fast print data arrives when it
// is read as the session reads it (255-byte receives, one per notification
// round). Host and printer share one event loop on 127.0.0.1.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include <asio/ip/tcp.hpp>
#include <asio/ssl.hpp>
#include <asio/write.hpp>
#include <benchmark/benchmark.h>

#include "Comparison.h"
#include "platform/TlsContext.h"
#include "session/kxsockets.h"
#include "support/TempFolder.h"
#include "support/TestCertificates.h"

namespace oprinter::bench {
namespace {

constexpr size_t kChunk = 64 * 1024;
constexpr size_t kPerIteration = 4 * 1024 * 1024;

struct Certificates {
    test::TempFolder folder;
    test::CertificateFiles host = test::MakeCertificate(folder, "host", "127.0.0.1");
};

const Certificates& TheCertificates() {
    static Certificates certificates;
    return certificates;
}

// The host's end of one connection, in clear or over TLS.
class Host {
public:
    Host(asio::io_context& loop, bool tls)
        : context_(asio::ssl::context::tls_server), acceptor_(loop, {asio::ip::address_v4::loopback(), 0}),
          stream_(loop, Prepared(context_)), tls_(tls), chunk_(kChunk, '\x40') {
        acceptor_.async_accept(stream_.lowest_layer(), [this](const asio::error_code& error) {
            if (error) return;
            // The TLS stream writes a chunk as several records; Nagle would
            // hold the last one back for the printer's delayed ACK, and the
            // figure would be the two stacks' timers, not the read path.
            stream_.lowest_layer().set_option(asio::ip::tcp::no_delay(true));
            if (!tls_) return;
            stream_.async_handshake(asio::ssl::stream_base::server, [](const asio::error_code&) {});
        });
    }
    uint16_t Port() const { return acceptor_.local_endpoint().port(); }

    // Sends bytes in chunks, each once the one before has gone.
    void SendAsync(size_t bytes) {
        if (bytes == 0) return;
        const size_t now = std::min(bytes, kChunk);
        auto next = [this, left = bytes - now](const asio::error_code& error, size_t) {
            if (!error) SendAsync(left);
        };
        if (tls_)
            asio::async_write(stream_, asio::buffer(chunk_.data(), now), next);
        else
            asio::async_write(stream_.next_layer(), asio::buffer(chunk_.data(), now), next);
    }

private:
    // The stream takes the certificate from the context when it is made.
    static asio::ssl::context& Prepared(asio::ssl::context& context) {
        context.use_certificate_chain_file(TheCertificates().host.certificate);
        context.use_private_key_file(TheCertificates().host.key, asio::ssl::context::pem);
        return context;
    }

    asio::ssl::context context_;
    asio::ip::tcp::acceptor acceptor_;
    asio::ssl::stream<asio::ip::tcp::socket> stream_;
    bool tls_;
    std::string chunk_;
};

// The printer's end: a TSocket set up as the session sets it up.
struct Printer {
    Printer(asio::io_context& loop, bool tls) : socket(loop) {
        socket.SetEvents({evRead, evWrite, evConnect, evClose});
        socket.OnConnect = [this](TVornSocket&, int32_t) { connected = true; };
        socket.OnTlsError = [this](TVornSocket&, const std::string& reason) { failure = reason; };
        socket.OnRead = [this](TVornSocket&, int32_t aSocket) {
            char area[255];
            for (int32_t count; (count = socket.ReceiveBuf(aSocket, area, sizeof area)) > 0;) received += count;
        };
        if (tls) {
            std::string failure;
            socket.Tls = TlsContext::Make({true, TheCertificates().host.certificate, "", ""}, failure);
        }
    }
    TSocket socket;
    bool connected = false;
    std::string failure;  // why the handshake failed
    size_t received = 0;
};

void RunUntil(asio::io_context& loop, const std::function<bool()>& done) {
    while (!done()) {
        // A loop that ran out of work stops; each round starts it again.
        loop.restart();
        loop.run_one_for(std::chrono::seconds(5));
    }
}

void Connect(benchmark::State& state, bool tls) {
    asio::io_context loop;
    for (auto _ : state) {
        Host host(loop, tls);
        Printer printer(loop, tls);
        printer.socket.Port = host.Port();
        printer.socket.Connect("127.0.0.1");
        RunUntil(loop, [&] { return printer.connected || !printer.failure.empty(); });
        if (!printer.connected) {
            state.SkipWithError(printer.failure.c_str());
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}

void Receive(benchmark::State& state, bool tls) {
    asio::io_context loop;
    Host host(loop, tls);
    Printer printer(loop, tls);
    printer.socket.Port = host.Port();
    printer.socket.Connect("127.0.0.1");
    RunUntil(loop, [&] { return printer.connected || !printer.failure.empty(); });
    if (!printer.connected) state.SkipWithError(printer.failure.c_str());
    for (auto _ : state) {
        const size_t wanted = printer.received + kPerIteration;
        host.SendAsync(kPerIteration);
        RunUntil(loop, [&] { return printer.received >= wanted; });
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kPerIteration));
}

void BM_ConnectTls(benchmark::State& state) { Connect(state, true); }
void BM_ConnectPlainBaseline(benchmark::State& state) { Connect(state, false); }
void BM_ReceiveTls(benchmark::State& state) { Receive(state, true); }
void BM_ReceivePlainBaseline(benchmark::State& state) { Receive(state, false); }

BENCHMARK(BM_ConnectTls)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_ConnectPlainBaseline)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_ReceiveTls)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_ReceivePlainBaseline)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();

}  // namespace
}  // namespace oprinter::bench

int main(int argc, char** argv) {
    using namespace oprinter::bench;
    Measurements measured;
    if (!RunBenchmarks(argc, argv, measured)) return 1;
    PrintComparison("connect with TLS handshake vs plain connect",
                    measured.MillisecondsPerItem("BM_ConnectTls"),
                    measured.MillisecondsPerItem("BM_ConnectPlainBaseline"), "ms");
    constexpr double kMiB = 1024.0 * 1024.0;
    PrintComparison("print data received over TLS vs plain", measured.BytesPerSecond("BM_ReceiveTls") / kMiB,
                    measured.BytesPerSecond("BM_ReceivePlainBaseline") / kMiB, "MiB/s");
    return 0;
}
