// The service under the service control manager: the dispatcher calls the
// service's main function on a thread of its own, which runs the event loop;
// the control handler only posts the stop request to that loop. Started from
// a console instead, the service runs in the foreground until Ctrl+C.
#include <windows.h>

#include <asio/executor_work_guard.hpp>
#include <asio/post.hpp>
#include <exception>
#include <iostream>

#include "platform/ServiceHost.h"

namespace oprinter {
namespace {

constexpr DWORD kWaitHintMs = 5000;

// What the dispatcher's callbacks need; set before the dispatcher starts.
struct Hosted {
    std::string serviceName;
    std::string displayName;
    asio::io_context* loop = nullptr;
    const ServiceHooks* hooks = nullptr;
    SERVICE_STATUS_HANDLE statusHandle = nullptr;
    int exitStatus = 0;
    bool stopRequested = false;  // touched on the loop only
};

Hosted hosted;

void ReportState(DWORD state, DWORD exitCode = NO_ERROR) {
    SERVICE_STATUS status{};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    // Stop is accepted; pause and continue are not.
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    status.dwWin32ExitCode = exitCode;
    status.dwWaitHint = state == SERVICE_RUNNING || state == SERVICE_STOPPED ? 0 : kWaitHintMs;
    ::SetServiceStatus(hosted.statusHandle, &status);
}

void StopOnLoop() {
    asio::post(*hosted.loop, [] {
        if (hosted.stopRequested) return;
        hosted.stopRequested = true;
        hosted.hooks->stop();
        hosted.loop->stop();
    });
}

int RunLoop() {
    asio::post(*hosted.loop, [] { hosted.hooks->start(); });
    try {
        hosted.loop->run();
        return 0;
    } catch (const std::exception& failure) {
        std::cerr << hosted.displayName << ": " << failure.what() << '\n';
        return 1;
    }
}

DWORD WINAPI ControlHandler(DWORD control, DWORD, void*, void*) {
    if (control == SERVICE_CONTROL_INTERROGATE) return NO_ERROR;
    if (control != SERVICE_CONTROL_STOP && control != SERVICE_CONTROL_SHUTDOWN) return ERROR_CALL_NOT_IMPLEMENTED;
    ReportState(SERVICE_STOP_PENDING);
    StopOnLoop();
    return NO_ERROR;
}

void WINAPI ServiceMain(DWORD, char**) {
    hosted.statusHandle = ::RegisterServiceCtrlHandlerExA(hosted.serviceName.c_str(), ControlHandler, nullptr);
    if (hosted.statusHandle == nullptr) return;
    ReportState(SERVICE_RUNNING);
    hosted.exitStatus = RunLoop();
    ReportState(SERVICE_STOPPED, hosted.exitStatus == 0 ? NO_ERROR : ERROR_SERVICE_SPECIFIC_ERROR);
}

BOOL WINAPI ConsoleHandler(DWORD) {
    StopOnLoop();
    return TRUE;
}

}  // namespace

int HostService(const std::string& serviceName, const std::string& displayName, asio::io_context& loop,
                const ServiceHooks& hooks) {
    hosted.serviceName = serviceName;
    hosted.displayName = displayName;
    hosted.loop = &loop;
    hosted.hooks = &hooks;
    // The loop must not end while it waits for its first work.
    auto work = asio::make_work_guard(loop);
    std::string name = serviceName;
    SERVICE_TABLE_ENTRYA table[] = {{name.data(), ServiceMain}, {nullptr, nullptr}};
    if (::StartServiceCtrlDispatcherA(table)) return hosted.exitStatus;
    if (::GetLastError() != ERROR_FAILED_SERVICE_CONTROLLER_CONNECT) {
        std::cerr << displayName << ": cannot reach the service control manager\n";
        return 1;
    }
    ::SetConsoleCtrlHandler(ConsoleHandler, TRUE);
    return RunLoop();
}

const ServiceHostHelp& HostHelp() {
    static const ServiceHostHelp help{
        "  (no switch)     run as the service control manager starts the service;\n"
        "                  from a console, in the foreground until Ctrl+C\n",
        "  INSTALL         register the service O3812Printer (\"Orvo Printer Service\",\n"
        "                  automatic start) that runs this executable (as administrator)\n"
        "                  under the account NT SERVICE\\O3812Printer, restarted 10 s after\n"
        "                  a failure; the folder is closed to all but SYSTEM, the\n"
        "                  Administrators and that account\n"
        "  INSTALL --folder DIR\n"
        "                  the same for the instance O3812Printer@NAME that runs on DIR\n"
        "  UNINSTALL [--folder DIR]\n"
        "                  stop and remove that service\n",
        "                fatal session errors also go to the Application event log\n"
        "                (source \"Orvo Printer Service[@NAME]\")\n",
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\kxGuardian\\O3812Printer[@NAME], value \"Guardian Value\"",
    };
    return help;
}

}  // namespace oprinter
