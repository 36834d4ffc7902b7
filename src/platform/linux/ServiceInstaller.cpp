#include "platform/linux/ServiceInstaller.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <system_error>

#include "platform/ReplaceFile.h"

extern char** environ;

namespace oprinter {

namespace {

// systemd refuses a path with control characters, quotes or backslashes, and
// would split it at blanks and expand "%" specifiers in it.
std::string UnitWord(const std::string& path) {
    std::string word = "\"";
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '"' || c == '\'' || c == '\\')
            throw std::runtime_error("systemd cannot take a path of this name: " + path);
        if (c == '%') word += '%';
        word += c;
    }
    return word + "\"";
}

std::string Joined(const std::vector<std::string>& arguments) {
    std::string text = "systemctl";
    for (const std::string& argument : arguments) text += " " + argument;
    return text;
}

std::string ExitText(int status) {
    if (WIFEXITED(status)) return "exit status " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) return "signal " + std::to_string(WTERMSIG(status));
    return "status " + std::to_string(status);
}

int WaitFor(pid_t child) {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) throw std::runtime_error(std::string("systemctl: ") + std::strerror(errno));
    }
    return status;
}

}  // namespace

// The writable places; a log folder that is missing only costs the log lines,
// as it would without the sandbox ("-").
std::string ReadWritePaths(const ServiceUnit& unit) {
    std::string paths = UnitWord(std::filesystem::path(unit.executablePath).parent_path().string());
    if (!unit.logFolder.empty()) paths += " -" + UnitWord(unit.logFolder);
    return paths;
}

std::string UnitFileText(const ServiceUnit& unit) {
    return "[Unit]\n"
           "Description=" + unit.description + "\n"
           "Wants=network-online.target\n"
           "After=network-online.target\n"
           "\n"
           "[Service]\n"
           "Type=notify\n"
           "ExecStart=" + UnitWord(unit.executablePath) + "\n"
           "User=root\n"
           "Restart=on-failure\n"
           "WatchdogSec=5min\n"
           "StateDirectory=kxGuardian/" + unit.name + "\n"
           "StateDirectoryMode=0755\n"
           "ReadWritePaths=" + ReadWritePaths(unit) + "\n"
           "NoNewPrivileges=yes\n"
           // Root only needs to pass the permissions of a folder owned by another user.
           "CapabilityBoundingSet=CAP_DAC_OVERRIDE\n"
           "AmbientCapabilities=\n"
           "ProtectSystem=strict\n"
           "ProtectHome=read-only\n"
           "PrivateTmp=yes\n"
           "PrivateDevices=yes\n"
           "ProtectHostname=yes\n"
           "ProtectClock=yes\n"
           "ProtectKernelTunables=yes\n"
           "ProtectKernelModules=yes\n"
           "ProtectKernelLogs=yes\n"
           "ProtectControlGroups=yes\n"
           "ProtectProc=invisible\n"
           "ProcSubset=pid\n"
           "PrivateMounts=yes\n"
           "RestrictAddressFamilies=AF_INET AF_INET6 AF_UNIX\n"
           "RestrictNamespaces=yes\n"
           "RestrictRealtime=yes\n"
           "RestrictSUIDSGID=yes\n"
           "LockPersonality=yes\n"
           "MemoryDenyWriteExecute=yes\n"
           "SystemCallArchitectures=native\n"
           "SystemCallFilter=@system-service\n"
           "SystemCallFilter=~@privileged @resources\n"
           // The PDF maker and SpoolCommand lower their own priority.
           "SystemCallFilter=setpriority\n"
           "SystemCallErrorNumber=EPERM\n"
           "\n"
           "[Install]\n"
           "WantedBy=multi-user.target\n";
}

void ProcessSystemctl::Run(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>("systemctl"));
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    const int error = ::posix_spawnp(&child, "systemctl", nullptr, nullptr, argv.data(), environ);
    if (error != 0) throw std::runtime_error(std::string("systemctl: ") + std::strerror(error));
    const int status = WaitFor(child);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error(Joined(arguments) + " failed (" + ExitText(status) + ")");
}

ServiceInstaller::ServiceInstaller(std::string unitFolder, SystemctlRunner& systemctl)
    : unitFolder_(std::move(unitFolder)), systemctl_(systemctl) {}

std::string ServiceInstaller::UnitFileName(const std::string& name) const {
    return (std::filesystem::path(unitFolder_) / (name + ".service")).string();
}

void ServiceInstaller::Install(const ServiceUnit& unit) {
    ReplaceFile(UnitFileName(unit.name), UnitFileText(unit), 0644);
    systemctl_.Run({"daemon-reload"});
    systemctl_.Run({"enable", unit.name + ".service"});
}

void ServiceInstaller::Uninstall(const std::string& name) {
    const std::string fileName = UnitFileName(name);
    std::error_code error;
    const bool installed = std::filesystem::exists(fileName, error);
    if (error) throw std::runtime_error(fileName + ": " + error.message());
    if (!installed) throw std::runtime_error(fileName + ": the service is not installed");
    systemctl_.Run({"stop", name + ".service"});
    systemctl_.Run({"disable", name + ".service"});
    if (!std::filesystem::remove(fileName, error) && error) throw std::runtime_error(fileName + ": " + error.message());
    systemctl_.Run({"daemon-reload"});
}

std::string ExecutablePath() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) throw std::runtime_error("/proc/self/exe: " + error.message());
    return self.string();
}

bool RegistrationTakesFolders() { return false; }

std::unique_ptr<ServiceRegistrar> SystemServiceRegistrar() {
    class SystemdRegistrar final : public ServiceRegistrar {
    public:
        void Install(const ServiceUnit& unit) override { installer_.Install(unit); }
        void Uninstall(const std::string& name) override { installer_.Uninstall(name); }

    private:
        ProcessSystemctl systemctl_;
        ServiceInstaller installer_{kSystemUnitFolder, systemctl_};
    };
    return std::make_unique<SystemdRegistrar>();
}

}  // namespace oprinter
