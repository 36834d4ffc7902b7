#include "hostspool/Attempts.h"

#include <algorithm>
#include <string>

namespace oprinter {

TimeBudget::TimeBudget(const Clock& clock, std::chrono::milliseconds total, std::chrono::milliseconds stepLimit)
    : clock_(clock), total_(total), stepLimit_(stepLimit), end_(clock.Steady() + total) {}

std::chrono::milliseconds TimeBudget::Left() const {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end_ - clock_.Steady());
    return std::max(left, std::chrono::milliseconds::zero());
}

std::chrono::milliseconds TimeBudget::StepLimit() const {
    return std::min(stepLimit_, Left());
}

namespace {

bool BudgetRanOut(const TimeBudget& budget, HostLog& log, std::string_view errorLabel, int made) {
    log.WriteLog(std::string(errorLabel) + "Time budget of " +
                 std::to_string(std::chrono::duration_cast<std::chrono::seconds>(budget.Total()).count()) +
                 " seconds ran out after " + std::to_string(made) + (made == 1 ? " attempt" : " attempts"));
    return false;
}

}  // namespace

bool RunHostAttempts(Clock& clock, const TimeBudget& budget, HostLog& log, std::string_view errorLabel,
                     const std::function<bool()>& attempt) {
    if (budget.Left() == std::chrono::milliseconds::zero()) return BudgetRanOut(budget, log, errorLabel, 0);
    for (int made = 1;; ++made) {
        if (attempt()) return true;
        if (made == kHostAttempts) return false;
        // An attempt needs some time after the pause; none starts on an empty budget.
        if (budget.Left() <= kHostAttemptPause) return BudgetRanOut(budget, log, errorLabel, made);
        clock.Sleep(kHostAttemptPause);
    }
}

}  // namespace oprinter
