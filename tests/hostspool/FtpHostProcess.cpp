#include "FtpHostProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace oprinter::test {
namespace {

constexpr const char* kPython = "/usr/bin/python3";

}  // namespace

FtpHostProcess::FtpHostProcess() {
    SetScenario("{}");
    const std::string script = std::string(OPRINTER_SOURCE_DIR) + "/testhost/ftp_host.py";
    const std::string scenario = folder_.File("scenario.json");
    const std::string log = folder_.File("commands.txt");
    const std::string ready = folder_.File("ready");
    pid_ = ::fork();
    if (pid_ == 0) {
        // The host also prints its port; the ready file is what counts here.
        int quiet = ::open("/dev/null", O_WRONLY);
        ::dup2(quiet, STDOUT_FILENO);
        ::execl(kPython, kPython, script.c_str(), "127.0.0.1", "0", kHostUser, kHostPassword, "--scenario",
                scenario.c_str(), "--log", log.c_str(), "--ready-file", ready.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    for (int waited = 0; waited < 200 && !std::filesystem::exists(ready); ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    port_ = static_cast<uint16_t>(std::stoi("0" + folder_.Read("ready")));
    if (port_ == 0) throw std::runtime_error("the FTP host did not start");
}

FtpHostProcess::~FtpHostProcess() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
}

void FtpHostProcess::SetScenario(const std::string& json) {
    folder_.Write("scenario.part", json);
    std::filesystem::rename(folder_.File("scenario.part"), folder_.File("scenario.json"));
}

std::vector<std::string> FtpHostProcess::Commands() const {
    std::istringstream log(folder_.Read("commands.txt"));
    std::vector<std::string> commands;
    for (std::string line; std::getline(log, line);) commands.push_back(line);
    return commands;
}

void FtpHostProcess::ForgetCommands() {
    folder_.Write("commands.txt", "");
}

}  // namespace oprinter::test
