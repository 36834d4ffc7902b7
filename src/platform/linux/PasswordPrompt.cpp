#include "platform/PasswordPrompt.h"

#include <termios.h>
#include <unistd.h>

namespace oprinter {

bool StandardInputIsTerminal() { return ::isatty(STDIN_FILENO) == 1; }

std::optional<std::string> PasswordFromTerminal(const std::string& prompt) {
    // The terminal itself, even when standard input or output is redirected.
    std::FILE* terminal = std::fopen("/dev/tty", "r+");
    if (terminal == nullptr) return std::nullopt;
    const int descriptor = ::fileno(terminal);
    termios saved{};
    const bool hidden = ::tcgetattr(descriptor, &saved) == 0;
    if (hidden) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(descriptor, TCSAFLUSH, &quiet);
    }
    std::fputs(prompt.c_str(), terminal);
    std::fflush(terminal);
    const std::string password = LineFrom(terminal).value_or("");
    if (hidden) ::tcsetattr(descriptor, TCSAFLUSH, &saved);
    std::fputs("\n", terminal);
    std::fclose(terminal);
    return password;
}

}  // namespace oprinter
