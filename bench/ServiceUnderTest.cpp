#include "ServiceUnderTest.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace oprinter::bench {
namespace {

// Every day, all day; the log on, no trace, so the session writes only its
// few lines of start and end. The password is never used: no NUL in the text,
// so no attribute retrieval.
std::string Configuration(const std::string& host) {
    std::ostringstream cfg;
    cfg << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<OPrinter Language=\"IT\" System=\"" << host << "\" User=\"PRTUSER\"\n"
        << "  Password=\"l2.6 31.46 12.55 40.85 16.31 24.72 30.59 18.81 27.81 26.84b\" PrinterName=\"PRT01\"\n"
        << "  Log=\"True\" LogDetail=\"True\" MaxLog=\"1000\" GGMaxLog=\"30\" SaveLogPath=\"\"\n"
        << "  SpoolInfoAPI=\"False\" APILib=\"KXLIB01\" DebugLevel=\"0\">\n";
    for (const char* day : {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"})
        cfg << "  <" << day << " Skedula=\"True\" StartTime=\"00:00:00\" EndTime=\"23:59:59\"/>\n";
    cfg << "</OPrinter>\n";
    return cfg.str();
}

}  // namespace

ServiceUnderTest::ServiceUnderTest(const std::string& binary, const std::string& host) {
    std::filesystem::copy_file(binary, folder_.Path() + "oprinter");
    std::ofstream(folder_.Path() + "OPrinter.cfg") << Configuration(host);
}

ServiceUnderTest::~ServiceUnderTest() { Stop(); }

void ServiceUnderTest::Start() {
    const std::string program = folder_.Path() + "oprinter";
    pid_ = ::fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        if (::chdir(folder_.Path().c_str()) != 0) ::_exit(126);
        ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
}

void ServiceUnderTest::Stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    for (int waited = 0; waited < 1000; ++waited) {
        if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

size_t ServiceUnderTest::PeakResidentBytes() const {
    std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmHWM:")) return std::stoul(line.substr(6)) * 1024;
    }
    return 0;
}

std::string ServiceUnderTest::WaitForSpoolFile(int timeoutMs) const {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    do {
        for (const std::string& name : folder_.Names("Spool")) {
            if (!name.starts_with(".") && name.ends_with(".spool")) return name;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    } while (std::chrono::steady_clock::now() < until);
    return {};
}

}  // namespace oprinter::bench
