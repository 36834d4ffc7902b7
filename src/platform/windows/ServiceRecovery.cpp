#include "platform/windows/ServiceRecovery.h"

namespace oprinter {

ServiceRecovery::ServiceRecovery() {
    for (SC_ACTION& step : steps_) step = {SC_ACTION_RESTART, kRestartDelayMs};
    actions_.dwResetPeriod = kFailureCountResetSeconds;
    actions_.cActions = 3;
    actions_.lpsaActions = steps_;
}

std::string ServiceCommand(const std::string& executablePath, const std::string& folder) {
    const std::string command = "\"" + executablePath + "\"";
    return folder.empty() ? command : command + " --folder \"" + folder + "\"";
}

}  // namespace oprinter
