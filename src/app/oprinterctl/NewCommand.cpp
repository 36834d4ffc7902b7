// oprinterctl new NAME --host HOST --device DEVICE --user USER
//                 [--password-stdin] [--root DIR]
// Creates the folder of printer NAME (oprinter@NAME.service) with its
// configuration, owned by the service's user, so that the printer only
// needs to be started.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <grp.h>
#include <iostream>
#include <map>
#include <optional>
#include <pwd.h>
#include <random>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "app/oprinterctl/Commands.h"
#include "app/oprinterctl/PrinterFolders.h"
#include "platform/PasswordPrompt.h"
#include "service/CryptStr.h"
#include "service/LoadConfig.h"

namespace oprinter::ctl {

namespace {

namespace fs = std::filesystem;

constexpr int kFailed = 1;
constexpr int kUsageError = 2;
constexpr const char* kServiceUser = "oprinter";
constexpr const char* kUsage =
    "usage: oprinterctl new NAME --host HOST --device DEVICE --user USER [--password-stdin] [--root DIR]\n";

struct NewOptions {
    std::string name;
    std::map<std::string, std::string> values;  // --host, --device, --user, --root
    bool passwordStdin = false;
};

bool ParseOptions(const std::vector<std::string>& args, NewOptions& options) {
    for (std::size_t at = 0; at < args.size(); ++at) {
        const std::string& arg = args[at];
        if (arg == "--password-stdin") {
            options.passwordStdin = true;
        } else if (arg == "--host" || arg == "--device" || arg == "--user" || arg == "--root") {
            if (at + 1 == args.size() || options.values.count(arg) != 0) return false;
            options.values[arg] = args[++at];
        } else if (arg.starts_with("-") || !options.name.empty()) {
            return false;
        } else {
            options.name = arg;
        }
    }
    return !options.name.empty() && options.values.count("--host") && options.values.count("--device") &&
           options.values.count("--user");
}

// Host names, IBM i device and user names: plain ASCII without blanks, so
// that the file reads the same in any code page.
void CheckValue(const std::string& what, const std::string& value) {
    if (value.empty()) throw std::runtime_error(what + " is empty");
    for (const char c : value) {
        if (c <= ' ' || c > '~') throw std::runtime_error(what + " may only hold printable ASCII without blanks: " + value);
    }
}

std::string XmlAttribute(const std::string& value) {
    std::string escaped;
    for (const char c : value) {
        switch (c) {
            case '&': escaped += "&amp;"; break;
            case '<': escaped += "&lt;"; break;
            case '>': escaped += "&gt;"; break;
            case '"': escaped += "&quot;"; break;
            default: escaped += c;
        }
    }
    return "\"" + escaped + "\"";
}

std::string ConfigText(const NewOptions& options, const std::string& scrambled) {
    std::string text =
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
        "<!-- Printer " + options.name + ", made by oprinterctl new. \"oprinterctl check\" shows how the\n"
        "     service reads this file; it is read when the service starts. -->\n"
        "<OPrinter Language=\"IT\"\n"
        "          System=" + XmlAttribute(options.values.at("--host")) + "\n"
        "          User=" + XmlAttribute(options.values.at("--user")) + "\n"
        "          Password=" + XmlAttribute(scrambled) + "\n"
        "          PrinterName=" + XmlAttribute(options.values.at("--device")) + "\n"
        "          Log=\"True\" LogDetail=\"False\" MaxLog=\"1000\" GGMaxLog=\"30\" SaveLogPath=\"\"\n"
        "          SpoolInfoAPI=\"False\" APILib=\"KXLIB01\" DebugLevel=\"0\">\n";
    for (const std::string_view day : kDayNames)
        text += "  <" + std::string(day) + " Skedula=\"True\" StartTime=\"00:00:00\" EndTime=\"23:59:59\"/>\n";
    return text + "</OPrinter>\n";
}

std::string Scrambled(const std::string& password) {
    std::random_device device;
    std::seed_seq seed{device(), device(), device(), device()};
    std::mt19937 random(seed);
    const std::optional<std::string> scrambled = Scramble(password, random);
    if (!scrambled) {
        throw std::runtime_error("the password cannot be stored: at most " + std::to_string(kLongestPassword) +
                                 " of A-Z, a-z, 0-9 and " + std::string(kPasswordAlphabet.substr(62)));
    }
    return *scrambled;
}

// A descriptor that closes itself.
class Descriptor {
public:
    explicit Descriptor(int descriptor) : descriptor_(descriptor) {}
    ~Descriptor() {
        if (descriptor_ >= 0) ::close(descriptor_);
    }
    Descriptor(Descriptor&& other) noexcept : descriptor_(std::exchange(other.descriptor_, -1)) {}
    Descriptor& operator=(Descriptor&&) = delete;
    int get() const { return descriptor_; }

private:
    int descriptor_;
};

[[noreturn]] void Fail(const std::string& path) { throw std::runtime_error(path + ": " + std::strerror(errno)); }

struct Owner {
    uid_t user;
    gid_t group;
};

// The service runs as its own user; where the package made none (a build run
// by hand), the files stay with whoever made them.
std::optional<Owner> ServiceUser(const std::string& folder) {
    const passwd* user = ::getpwnam(kServiceUser);
    if (user != nullptr) return Owner{user->pw_uid, user->pw_gid};
    std::fprintf(stderr, "oprinterctl new: there is no user %s; %s stays owned by you\n", kServiceUser, folder.c_str());
    return std::nullopt;
}

// Mode and owner are set on what was opened, never through a path that the
// service's user could meanwhile have turned into a link.
void Give(int descriptor, const std::string& path, mode_t mode, const std::optional<Owner>& owner) {
    if (::fchmod(descriptor, mode) != 0) Fail(path);
    if (owner && ::fchown(descriptor, owner->user, owner->group) != 0) Fail(path);
}

bool IsLink(int parent, const char* name) {
    struct stat entry {};
    return ::fstatat(parent, name, &entry, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(entry.st_mode);
}

[[noreturn]] void RefuseLink(const std::string& path) {
    throw std::runtime_error(path + " is a symbolic link; nothing changed");
}

// The folder name inside parent, made when missing; a symbolic link is refused.
Descriptor OpenFolder(int parent, const std::string& name, const std::string& path) {
    if (::mkdirat(parent, name.c_str(), 0700) != 0 && errno != EEXIST) Fail(path);
    Descriptor folder(::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (folder.get() >= 0) return folder;
    const int error = errno;
    if (IsLink(parent, name.c_str())) RefuseLink(path);
    errno = error;
    Fail(path);
}

// A folder the service's user could write in before (a printer made
// earlier) may hold links planted there: refused before anything changes.
void RefuseLinks(int folder, const std::string& path) {
    for (const char* name : {"Spool", "tmp"}) {
        if (IsLink(folder, name)) RefuseLink(path + name);
    }
}

void MakeSubfolder(int folder, const std::string& name, const std::string& path, mode_t mode,
                   const std::optional<Owner>& owner) {
    const Descriptor subfolder = OpenFolder(folder, name, path + name);
    Give(subfolder.get(), path + name, mode, owner);
}

void WriteAll(int descriptor, const std::string& path, const std::string& text) {
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t written = ::write(descriptor, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) Fail(path);
        done += static_cast<std::size_t>(written);
    }
}

// Written under a hidden name and linked into place, which fails on anything
// already there, a link included: an existing configuration is never replaced.
void WriteConfig(int folder, const std::string& path, const std::string& text, const std::optional<Owner>& owner) {
    const char* hidden = ".OPrinter.cfg.new";
    ::unlinkat(folder, hidden, 0);  // left by an earlier run that was killed
    {
        const Descriptor file(::openat(folder, hidden, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (file.get() < 0) Fail(path + hidden);
        WriteAll(file.get(), path + hidden, text);
        Give(file.get(), path + hidden, 0640, owner);
        if (::fsync(file.get()) != 0) Fail(path + hidden);
    }
    const int linked = ::linkat(folder, hidden, folder, "OPrinter.cfg", 0);
    const int error = errno;
    ::unlinkat(folder, hidden, 0);
    if (linked != 0 && error == EEXIST) throw std::runtime_error(path + "OPrinter.cfg exists already; nothing changed");
    errno = error;
    if (linked != 0) Fail(path + "OPrinter.cfg");
}

void CreatePrinter(const NewOptions& options, const std::string& password) {
    for (const char* option : {"--host", "--device", "--user"}) CheckValue(option, options.values.at(option));
    const std::string root = options.values.count("--root") ? options.values.at("--root") : kPrintersRoot;
    const std::string folder = (fs::path(root) / options.name).string() + "/";
    if (HasConfigFile(folder)) throw std::runtime_error(folder + "OPrinter.cfg exists already; nothing changed");
    const std::string config = ConfigText(options, Scrambled(password));
    std::error_code error;
    fs::create_directories(root, error);
    if (error) throw std::runtime_error(root + ": " + error.message());
    const Descriptor rootFolder(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (rootFolder.get() < 0) Fail(root);
    const Descriptor printer = OpenFolder(rootFolder.get(), options.name, folder);
    RefuseLinks(printer.get(), folder);
    const std::optional<Owner> owner = ServiceUser(folder);
    Give(printer.get(), folder, 0750, owner);
    MakeSubfolder(printer.get(), "Spool", folder, 0750, owner);
    MakeSubfolder(printer.get(), "tmp", folder, 0700, owner);
    WriteConfig(printer.get(), folder, config, owner);
    std::printf("created %s\nstart it with: systemctl enable --now oprinter@%s\n", folder.c_str(), options.name.c_str());
}

}  // namespace

int RunNew(const std::vector<std::string>& args) {
    NewOptions options;
    if (!ParseOptions(args, options)) {
        std::fputs(kUsage, stderr);
        return kUsageError;
    }
    if (!IsPrinterName(options.name)) {
        std::fprintf(stderr, "oprinterctl new: a printer name holds A-Z, a-z, 0-9, '_', '-' and '.', and does not begin with '.' or '-': %s\n",
                     options.name.c_str());
        return kUsageError;
    }
    try {
        const std::optional<std::string> password =
            options.passwordStdin ? LineFrom(stdin).value_or("")
                                  : PasswordFromTerminal("Password of " + options.values.at("--user") + " on " +
                                                         options.values.at("--host") + ": ");
        if (!password) throw std::runtime_error("no terminal to ask the password on; use --password-stdin");
        CreatePrinter(options, *password);
        return 0;
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "oprinterctl new: %s\n", failure.what());
        return kFailed;
    }
}

}  // namespace oprinter::ctl
