// The save timer: gives up a document whose print data stopped arriving.
#include "datastream/PrintDataStream.h"

namespace oprinter {
namespace {
constexpr std::chrono::seconds kLongestPause{5};
}  // namespace

void PrintDataStream::TimerSaveTimer() {
    if (!state_.SavePending) return;
    if (clock_.Steady() - state_.LastDataTime <= kLongestPause) return;
    session_.WriteTrace(2, "Inizio Salvataggio Causa Interruzione");
    RestartWriter();
    session_.WriteTrace(2, "Fine Salvataggio Causa Interruzione");
}

void PrintDataStream::RestartWriter() {
    state_.SavePending = false;
    // The partial document is dropped whatever the host answered.
    struct ReleaseOnExit {
        DocumentState& state;
        ~ReleaseOnExit() { state.ReleaseDocument(); }
    } release{state_};
    session_.StartPrinterWriter();
}

}  // namespace oprinter
