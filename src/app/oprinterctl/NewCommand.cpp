// oprinterctl new NAME --host HOST --device DEVICE --user USER
//                 [--password-stdin] [--root DIR]
// Creates the folder of printer NAME (oprinter@NAME.service) with its
// configuration, owned by the service's user, so that the printer only
// needs to be started.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <grp.h>
#include <iostream>
#include <map>
#include <optional>
#include <pwd.h>
#include <random>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

#include "app/oprinterctl/Commands.h"
#include "app/oprinterctl/PrinterFolders.h"
#include "platform/PasswordPrompt.h"
#include "platform/ReplaceFile.h"
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

void Own(const std::string& path, uid_t user, gid_t group) {
    if (::chown(path.c_str(), user, group) != 0) throw std::runtime_error(path + ": " + std::strerror(errno));
}

// The service runs as its own user; where the package made none (a build run
// by hand), the files stay with whoever made them.
void GiveToServiceUser(const std::string& folder) {
    const passwd* user = ::getpwnam(kServiceUser);
    if (user == nullptr) {
        std::fprintf(stderr, "oprinterctl new: there is no user %s; %s stays owned by you\n", kServiceUser,
                     folder.c_str());
        return;
    }
    const gid_t group = user->pw_gid;
    for (const char* part : {"", "Spool", "tmp", "OPrinter.cfg"}) Own(folder + part, user->pw_uid, group);
}

void MakeFolder(const std::string& path, fs::perms mode) {
    std::error_code error;
    fs::create_directory(path, error);
    if (!error) fs::permissions(path, mode, error);
    if (error) throw std::runtime_error(path + ": " + error.message());
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
    const fs::perms folderMode = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec;
    MakeFolder(folder, folderMode);
    MakeFolder(folder + "Spool", folderMode);
    MakeFolder(folder + "tmp", fs::perms::owner_all);
    ReplaceFile(folder + "OPrinter.cfg", config, 0640);
    GiveToServiceUser(folder);
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
