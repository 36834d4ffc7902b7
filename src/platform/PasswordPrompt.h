#pragma once
// Asking a person for a password. A password given on the command line stays
// in the process list and the shell's history; asked on the terminal, with
// echo off, it is in neither and never on the screen.
#include <cstdio>
#include <optional>
#include <string>

namespace oprinter {

// Whether standard input is a terminal (a console on Windows).
bool StandardInputIsTerminal();

// Writes prompt on the terminal itself and reads one line there with echo
// off; nothing when the process has no terminal.
std::optional<std::string> PasswordFromTerminal(const std::string& prompt);

// One line of input without its line end (LF or CR LF); nothing when the
// input ends before its first byte.
std::optional<std::string> LineFrom(std::FILE* input);

}  // namespace oprinter
