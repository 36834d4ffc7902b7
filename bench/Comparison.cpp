#include "Comparison.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <set>
#include <vector>

namespace oprinter::bench {
namespace {

// Keeps the rates of every run while the console shows them as usual.
class CollectingReporter final : public benchmark::ConsoleReporter {
public:
    explicit CollectingReporter(Measurements& measurements) : measurements_(measurements) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type == Run::RT_Aggregate && !median) continue;
            const std::string name = run.run_name.function_name;
            if (!median && medians_.count(name) > 0) continue;
            if (median) medians_.insert(name);
            for (const auto& [counter, value] : run.counters) measurements_.Keep(name, counter, value.value);
        }
    }

private:
    Measurements& measurements_;
    std::set<std::string> medians_;
};

}  // namespace

double Measurements::RateOf(const std::string& name, const std::string& counter) const {
    const auto found = rates_.find(name);
    if (found == rates_.end()) return 0;
    const auto value = found->second.find(counter);
    return value == found->second.end() ? 0 : value->second;
}

bool RunBenchmarks(int argc, char** argv, Measurements& measurements) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return false;
    CollectingReporter reporter(measurements);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::printf("\n");
    return true;
}

void PrintComparison(const std::string& label, double figure, double baseline, const std::string& unit,
                     Goal goal) {
    const double ratio = baseline > 0 ? figure / baseline : 0;
    std::printf("%-46s %10.1f %-7s baseline %10.1f %-7s ratio %7.3g", label.c_str(), figure, unit.c_str(), baseline,
                unit.c_str(), ratio);
    if (goal.kind != Goal::None) {
        const bool atLeast = goal.kind == Goal::AtLeast;
        const bool met = atLeast ? ratio >= goal.ratio : ratio <= goal.ratio;
        std::printf("  (goal %s %.2f: %s)", atLeast ? ">=" : "<=", goal.ratio, met ? "met" : "NOT met");
    }
    std::printf("\n");
    std::fflush(stdout);
}

}  // namespace oprinter::bench
