// oprinterctl scramble [PASSWORD]: the text to put in the "Password"
// attribute. Without the argument the password is asked on the terminal, or
// read as one line of standard input, and so stays out of the process list
// and the shell's history.
#include <cstdio>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "app/oprinterctl/Commands.h"
#include "platform/PasswordPrompt.h"
#include "service/CryptStr.h"

namespace oprinter::ctl {

namespace {

constexpr int kRefused = 2;
// The alphabet's letters and digits come first, its punctuation after them.
constexpr std::size_t kLettersAndDigits = 26 + 26 + 10;

std::string Shown(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte > 0x20 && byte < 0x7F) return "'" + std::string(1, c) + "'";
    char text[16];
    std::snprintf(text, sizeof text, "byte 0x%02X", static_cast<unsigned>(byte));
    return text;
}

bool Refuse(const std::string& why) {
    std::fprintf(stderr, "oprinterctl scramble: %s\n", why.c_str());
    return false;
}

bool IsScramblable(const std::string& password) {
    if (password.size() > kLongestPassword)
        return Refuse("a password has at most " + std::to_string(kLongestPassword) + " characters");
    if (const std::optional<std::size_t> at = FirstOutsideAlphabet(password)) {
        return Refuse("position " + std::to_string(*at + 1) + ": " + Shown(password[*at]) +
                      " is not allowed in a password; allowed are A-Z, a-z, 0-9 and " +
                      std::string(kPasswordAlphabet.substr(kLettersAndDigits)));
    }
    return true;
}

std::mt19937 SeededEngine() {
    std::random_device device;
    std::seed_seq seed{device(), device(), device(), device(), device(), device(), device(), device()};
    return std::mt19937(seed);
}

std::optional<std::string> Password(const std::vector<std::string>& args) {
    if (!args.empty()) return args[0];
    if (StandardInputIsTerminal()) return PasswordFromTerminal("Password: ");
    std::optional<std::string> line = LineFrom(stdin);
    if (!line) std::fputs("oprinterctl scramble: no password on standard input\n", stderr);
    return line;
}

}  // namespace

int RunScramble(const std::vector<std::string>& args) {
    if (args.size() > 1) {
        std::fputs("usage: oprinterctl scramble [PASSWORD]\n", stderr);
        return kRefused;
    }
    const std::optional<std::string> password = Password(args);
    if (!password || !IsScramblable(*password)) return kRefused;
    std::mt19937 random = SeededEngine();
    std::printf("%s\n", Scramble(*password, random).value().c_str());
    return 0;
}

}  // namespace oprinter::ctl
