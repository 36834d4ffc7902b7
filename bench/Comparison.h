#pragma once
// Runs the registered Google benchmarks, keeps their rates, and prints each
// figure beside the baseline measured in the same run, with their ratio.
#include <map>
#include <string>

namespace oprinter::bench {

class Measurements {
public:
    // Per second of real time, by benchmark function name; 0 when it did not run.
    double BytesPerSecond(const std::string& name) const { return RateOf(name, "bytes_per_second"); }
    double ItemsPerSecond(const std::string& name) const { return RateOf(name, "items_per_second"); }
    // The time one item takes, in milliseconds; 0 when it did not run.
    double MillisecondsPerItem(const std::string& name) const {
        const double perSecond = ItemsPerSecond(name);
        return perSecond > 0 ? 1000 / perSecond : 0;
    }

    void Keep(const std::string& name, const std::string& counter, double value) { rates_[name][counter] = value; }

private:
    double RateOf(const std::string& name, const std::string& counter) const;

    std::map<std::string, std::map<std::string, double>> rates_;
};

// With --benchmark_repetitions, the median stands for the repetitions.
// Returns false when the arguments were not understood.
bool RunBenchmarks(int argc, char** argv, Measurements& measurements);

// What the ratio figure / baseline is to reach.
struct Goal {
    enum Kind { None, AtLeast, AtMost } kind = None;
    double ratio = 0;
};

// "label  figure unit  baseline figure unit  ratio figure/baseline", and
// whether the ratio meets the goal.
void PrintComparison(const std::string& label, double figure, double baseline, const std::string& unit,
                     Goal goal = {});

}  // namespace oprinter::bench
