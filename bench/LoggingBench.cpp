// Logging: lines per second of the log writer, beside the least that each
// line's rule needs, written with plain system calls.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "Comparison.h"
#include "ScratchFolder.h"
#include "logging/LogWriter.h"
#include "platform/Clock.h"

namespace oprinter::bench {
namespace {

constexpr std::string_view kLine = "Inizio Decodifica - riga di prova del registro della sessione";
constexpr int kFollowOnFiles = 1000;

LogSettings SettingsFor(const ScratchFolder& folder, int32_t maxLog) {
    LogSettings settings;
    settings.Log = true;
    settings.SaveLogPath = folder.Path();
    settings.MaxLog = maxLog;
    return settings;
}

std::string DayFile(const std::string& folder, int n) {
    const std::string name = folder + "OPrinter " + LogDateText(DefaultClock().Now());
    return n == 0 ? name + ".log" : name + "(" + std::to_string(n) + ").log";
}

// The first file of today and its follow-on files 1..count, one line each.
void MakeFollowOnFiles(const ScratchFolder& folder, int count) {
    for (int n = 0; n <= count; ++n) {
        std::FILE* file = std::fopen(DayFile(folder.Path(), n).c_str(), "wb");
        if (file == nullptr) continue;
        std::fputs("09/12/2026 07:00:00: riga\r\n", file);
        std::fclose(file);
    }
}

// The floor of one line under the rule: the date, a stat per name of the
// day's unbroken run of files, a stat for the last one's size, then an open,
// one write and a close. Names and the line are built in place.
void MinimalLogLine(const LogSettings& settings, std::string_view text) {
    const LocalDateTime now = DefaultClock().Now();
    char date[16];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", now.year, now.month, now.day);
    char candidate[4096];
    char last[4096];
    std::snprintf(candidate, sizeof candidate, "%sOPrinter %s.log", settings.SaveLogPath.c_str(), date);
    std::snprintf(last, sizeof last, "%s", candidate);
    struct stat entry{};
    int n = 0;
    while (::stat(candidate, &entry) == 0) {
        std::snprintf(last, sizeof last, "%s", candidate);
        ++n;
        std::snprintf(candidate, sizeof candidate, "%sOPrinter %s(%d).log", settings.SaveLogPath.c_str(), date, n);
    }
    const bool full = n > 0 && ::stat(last, &entry) == 0 && entry.st_size > static_cast<off_t>(settings.MaxLog) * 1000;
    char line[1024];
    const int length = std::snprintf(line, sizeof line, "%02d/%02d/%04d %02d:%02d:%02d: %.*s\r\n", now.day, now.month,
                                     now.year, now.hour, now.minute, now.second, static_cast<int>(text.size()),
                                     text.data());
    const int fd = ::open(full ? candidate : last, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return;
    benchmark::DoNotOptimize(::write(fd, line, static_cast<size_t>(length)));
    ::close(fd);
}

template <typename WriteLine>
void LogLines(benchmark::State& state, int32_t maxLog, int followOnFiles, WriteLine writeLine) {
    ScratchFolder folder;
    const LogSettings settings = SettingsFor(folder, maxLog);
    if (followOnFiles > 0) MakeFollowOnFiles(folder, followOnFiles);
    const std::string newFile = DayFile(folder.Path(), followOnFiles + 1);
    for (auto _ : state) {
        writeLine(settings, kLine);
        if (followOnFiles == 0) continue;
        // Keeps the day at exactly that many files: the line made a new one.
        state.PauseTiming();
        if (::unlink(newFile.c_str()) != 0) state.SkipWithError("the line did not start a new follow-on file");
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations());
}

const LogWriter& Writer() {
    static const LogWriter writer("/nonexistent/", DefaultClock());
    return writer;
}

void WriterLine(const LogSettings& settings, std::string_view text) { Writer().WriteLog(settings, false, text); }

void BM_LogMaxLog1000(benchmark::State& state) { LogLines(state, 1000, 0, WriterLine); }
void BM_LogMaxLog1000Baseline(benchmark::State& state) { LogLines(state, 1000, 0, MinimalLogLine); }
void BM_LogMaxLog0After1000(benchmark::State& state) { LogLines(state, 0, kFollowOnFiles, WriterLine); }
void BM_LogMaxLog0After1000Baseline(benchmark::State& state) { LogLines(state, 0, kFollowOnFiles, MinimalLogLine); }

BENCHMARK(BM_LogMaxLog1000)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_LogMaxLog1000Baseline)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_LogMaxLog0After1000)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_LogMaxLog0After1000Baseline)->MinTime(1.0)->UseRealTime();

}  // namespace
}  // namespace oprinter::bench

int main(int argc, char** argv) {
    using namespace oprinter::bench;
    Measurements measured;
    if (!RunBenchmarks(argc, argv, measured)) return 1;
    PrintComparison("log lines, Log on, MaxLog 1000", measured.ItemsPerSecond("BM_LogMaxLog1000"),
                    measured.ItemsPerSecond("BM_LogMaxLog1000Baseline"), "lines/s");
    PrintComparison("log lines, MaxLog 0, 1000 follow-on files", measured.ItemsPerSecond("BM_LogMaxLog0After1000"),
                    measured.ItemsPerSecond("BM_LogMaxLog0After1000Baseline"), "lines/s");
    return 0;
}
