// Spool attribute retrieval: one successful retrieval from the loopback FTP
// test host, beside a bare FTP session (connect, login, quit) with the same
// host, and in proportion to the pause between attempts and the FTP time limit.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "Comparison.h"
#include "FtpHostProcess.h"
#include "hostspool/FtpSock.h"
#include "hostspool/SpoolInfoRetrieval.h"
#include "platform/Clock.h"
#include "support/TempFolder.h"

namespace oprinter::bench {
namespace {

constexpr double kAttemptPauseMs = 500;
constexpr double kFtpTimeLimitMs = 30000;

// The spooled file that the writer prints now, with every attribute given.
constexpr const char* kScenario = R"({"spooled_files": [{
    "name": "QSYSPRT", "user": "ROSSI", "device": "PRT01", "user_data": "MONTHLY", "status": "RDY",
    "total_pages": "120", "current_page": "1", "copies": "1", "form_type": "*STD", "type": "",
    "priority": "5", "date": "261208", "time": "091502", "file_number": "3", "job": "QPADEV0001",
    "job_number": "123456", "queue": "PRT01", "library": "QUSRSYS", "asp": "1", "last_used": "",
    "size": "40", "printing": true}]})";

class NoLog final : public HostLog {
public:
    void WriteLog(std::string_view) override { ++lines; }
    int lines = 0;
};

struct Host {
    test::FtpHostProcess process;
    test::TempFolder folder;
    HostAccess access;

    Host() {
        process.SetScenario(kScenario);
        access.Login.System = "127.0.0.1";
        access.Login.User = test::kHostUser;
        access.Login.Password = test::kHostPassword;
        access.PrinterName = "PRT01";
        access.ExeFolder = folder.Path();
        access.FtpPort = process.Port();
    }
};

Host& TheHost() {
    static Host host;
    return host;
}

void Retrieve(benchmark::State& state, bool byProgram) {
    HostAccess access = TheHost().access;
    access.Login.SpoolInfoAPI = byProgram;
    NoLog log;
    for (auto _ : state) {
        std::vector<std::string> spoolInfo;
        if (!ReadSpoolInfo(access, log, DefaultClock(), spoolInfo) || spoolInfo.size() != 22) {
            state.SkipWithError("the retrieval did not find the spooled file");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_RetrievalByListing(benchmark::State& state) { Retrieve(state, false); }
void BM_RetrievalByProgram(benchmark::State& state) { Retrieve(state, true); }

// What any attempt pays at least: the connection, the greeting, the login and the quit.
void BM_BareFtpSessionBaseline(benchmark::State& state) {
    const HostAccess& access = TheHost().access;
    for (auto _ : state) {
        FtpConnection ftp = FtpLogin(access, [&access] { return access.FtpTimeLimit; });
        if (ftp.LoginResult() != kFtpLoggedIn) {
            state.SkipWithError("the FTP login failed");
            break;
        }
        ftp.FtpQuit();
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_RetrievalByListing)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_RetrievalByProgram)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_BareFtpSessionBaseline)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

}  // namespace
}  // namespace oprinter::bench

int main(int argc, char** argv) {
    using namespace oprinter::bench;
    Measurements measured;
    if (!RunBenchmarks(argc, argv, measured)) return 1;
    const double bare = measured.MillisecondsPerItem("BM_BareFtpSessionBaseline");
    for (const auto& [label, name] : {std::pair{"retrieval by the WRKSPLF listing", "BM_RetrievalByListing"},
                                      std::pair{"retrieval by KXSPLL", "BM_RetrievalByProgram"}}) {
        const double time = measured.MillisecondsPerItem(name);
        PrintComparison(std::string(label) + " vs bare FTP session", time, bare, "ms");
        PrintComparison(std::string(label) + " vs 500 ms attempt pause", time, kAttemptPauseMs, "ms");
        PrintComparison(std::string(label) + " vs 30 s FTP time limit", time, kFtpTimeLimitMs, "ms");
    }
    return 0;
}
