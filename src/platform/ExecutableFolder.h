#pragma once
#include <string>

namespace oprinter {

// The folder of the running executable, with its trailing "/". Everything the
// system keeps "beside the executable" is found from here.
std::string ExecutableFolder();

}  // namespace oprinter
