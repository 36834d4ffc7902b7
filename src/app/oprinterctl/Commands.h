#pragma once
// The commands of the admin tool; each lives in a file of its own.
#include <string>
#include <vector>

namespace oprinter::ctl {

// Arguments after the command word. Each returns the process exit status.
int RunScramble(const std::vector<std::string>& args);
int RunCheck(const std::vector<std::string>& args);
int RunShow(const std::vector<std::string>& args);
int RunPdf(const std::vector<std::string>& args);
int RunStatus(const std::vector<std::string>& args);
int RunNew(const std::vector<std::string>& args);

}  // namespace oprinter::ctl
