// End to end: the bench host sends a spooled file in 4 KiB print records and
// waits for each reply, first to the minimal client (the limit of the
// protocol and the disk on this machine: it appends the data and syncs before
// the last reply), then to the real service, timed from the first print
// record to the spool file on disk; and the service's peak resident memory
// meanwhile, which is to stay the same whatever the size of the spooled file.
//   bench_end_to_end [--address 127.0.0.77] [--mib 50] [--runs 3]
//                    [--oprinter PATH] [--client PATH]
// The session of the service connects to port 23, so this runs as root.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "BenchHost.h"
#include "Comparison.h"
#include "PrintRecords.h"
#include "ReportText.h"
#include "ScratchFolder.h"
#include "ServiceUnderTest.h"

namespace oprinter::bench {
namespace {

constexpr uint16_t kTelnetPort = 23;
constexpr int kConnectWaitMs = 15000;
constexpr double kMiB = 1024.0 * 1024.0;
constexpr double kPeakResidentGoalMiB = 48;

struct Options {
    std::string address = "127.0.0.77";
    size_t mib = 50;
    int runs = 3;
    std::string oprinter = OPRINTER_BINARY_DIR "/oprinter";
    std::string client = OPRINTER_BINARY_DIR "/bench/bench_minimal_client";
};

Options ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const std::string value = argv[i + 1];
        if (name == "--address") options.address = value;
        else if (name == "--mib") options.mib = std::stoul(value);
        else if (name == "--runs") options.runs = std::max(1, std::stoi(value));
        else if (name == "--oprinter") options.oprinter = value;
        else if (name == "--client") options.client = value;
        else throw std::runtime_error("unknown option " + name);
    }
    return options;
}

struct Workload {
    Report report;
    std::vector<std::string> frames;
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The seconds the minimal client takes for the spooled file.
double RunMinimalClient(const Options& options, const Workload& work, int receiveSize) {
    BenchHost host(options.address, kTelnetPort);
    const ScratchFolder folder;
    const std::string output = folder.Path() + "spooled";
    const pid_t client = ::fork();
    if (client == 0) {
        const std::string port = std::to_string(kTelnetPort);
        const std::string size = std::to_string(receiveSize);
        ::execl(options.client.c_str(), options.client.c_str(), options.address.c_str(), port.c_str(), size.c_str(),
                output.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    double seconds = 0;
    try {
        host.AcceptPrinter(kConnectWaitMs);
        host.SendStartupResponse();
        seconds = host.SendSpooledFile(work.frames).count();
    } catch (...) {
        ::kill(client, SIGKILL);
        ::waitpid(client, nullptr, 0);
        throw;
    }
    host.Disconnect();
    ::waitpid(client, nullptr, 0);
    return seconds;
}

// N2 of a spool file: the length of its document text.
uint32_t DocumentTextSize(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    auto le32 = [&file] {
        unsigned char bytes[4] = {};
        file.read(reinterpret_cast<char*>(bytes), 4);
        return uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 | uint32_t{bytes[3]} << 24;
    };
    if (le32() != 1) throw std::runtime_error("not a spool file: " + path);
    file.seekg(le32(), std::ios::cur);
    return le32();
}

struct ServiceRun {
    double seconds = 0;
    size_t idlePeak = 0;  // VmHWM once the session is up
    size_t peak = 0;      // VmHWM once the spool file is written
};

ServiceRun RunService(const Options& options, const Workload& work) {
    BenchHost host(options.address, kTelnetPort);
    ServiceUnderTest service(options.oprinter, options.address);
    service.Start();
    host.AcceptPrinter(kConnectWaitMs);
    ServiceRun run;
    run.idlePeak = service.PeakResidentBytes();
    host.SendStartupResponse();
    const auto sent = host.SendSpooledFile(work.frames);
    // The reply to the last record follows the save, so the file is there already.
    const auto waitFrom = std::chrono::steady_clock::now();
    const std::string name = service.WaitForSpoolFile(10000);
    run.seconds = std::chrono::duration<double>(sent + (std::chrono::steady_clock::now() - waitFrom)).count();
    run.peak = service.PeakResidentBytes();
    if (name.empty()) throw std::runtime_error("no spool file was written");
    const uint32_t written = DocumentTextSize(service.Folder() + "Spool/" + name);
    if (written != work.report.documentSize)
        throw std::runtime_error("the spool file holds " + std::to_string(written) + " bytes of text, not " +
                                 std::to_string(work.report.documentSize));
    host.Disconnect();
    service.Stop();
    return run;
}

int Run(const Options& options) {
    Workload work;
    work.report = MakeReport(options.mib * 1024 * 1024, false);
    for (const std::string& record : PrintRecords(work.report.text)) work.frames.push_back(TelnetFrame(record));
    const double textBytes = static_cast<double>(work.report.text.size());
    std::printf("spooled file: %.1f MiB of text in %zu print records, %d runs, host on %s:%u\n", textBytes / kMiB,
                work.frames.size(), options.runs, options.address.c_str(), kTelnetPort);

    std::vector<double> limit, limit255, service, idlePeak, peak;
    for (int run = 1; run <= options.runs; ++run) {
        limit.push_back(textBytes / RunMinimalClient(options, work, 65536) / 1e6);
        limit255.push_back(textBytes / RunMinimalClient(options, work, 255) / 1e6);
        const ServiceRun measured = RunService(options, work);
        service.push_back(textBytes / measured.seconds / 1e6);
        idlePeak.push_back(static_cast<double>(measured.idlePeak) / kMiB);
        peak.push_back(static_cast<double>(measured.peak) / kMiB);
        std::printf("run %d: minimal client %.1f MB/s, with 255-byte receives %.1f MB/s, oprinter %.1f MB/s, "
                    "peak resident %.1f MiB\n",
                    run, limit.back(), limit255.back(), service.back(), peak.back());
        std::fflush(stdout);
    }
    std::printf("\nmedians of %d runs:\n", options.runs);
    PrintComparison("end to end vs minimal client", Median(service), Median(limit), "MB/s", {Goal::AtLeast, 0.95});
    PrintComparison("end to end vs minimal client, 255-byte receives", Median(service), Median(limit255), "MB/s");
    PrintComparison("peak resident vs 48 MiB", Median(peak), kPeakResidentGoalMiB, "MiB", {Goal::AtMost, 1.0});
    PrintComparison("peak resident of the idle session", Median(idlePeak), kPeakResidentGoalMiB, "MiB");
    return 0;
}

}  // namespace
}  // namespace oprinter::bench

int main(int argc, char** argv) {
    try {
        return oprinter::bench::Run(oprinter::bench::ParseOptions(argc, argv));
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "bench_end_to_end: %s\n", failure.what());
        return 1;
    }
}
