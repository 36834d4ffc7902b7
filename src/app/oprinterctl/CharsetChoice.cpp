#include "app/oprinterctl/CharsetChoice.h"

#include <cstdio>

#include "platform/ExecutableFolder.h"
#include "platform/TextConverter.h"
#include "service/LoadConfig.h"

namespace oprinter::ctl {

std::optional<std::string> CharsetToUse(const std::optional<std::string>& given, const char* command) {
    const std::string charset = given.value_or(ConfiguredCharset(ExecutableFolder()));
    if (IsKnownCharset(charset)) return charset;
    std::fprintf(stderr, "oprinterctl %s: unknown character set \"%s\"\n", command, charset.c_str());
    return std::nullopt;
}

}  // namespace oprinter::ctl
