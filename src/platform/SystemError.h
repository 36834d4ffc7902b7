#pragma once
// The code of the file call that has just failed, and the system's text for a code.
#include <string>

namespace oprinter {

int LastSystemError();
// The code of a name that is taken already.
extern const int kFileExistsError;
std::string SystemErrorText(int code);

}  // namespace oprinter
