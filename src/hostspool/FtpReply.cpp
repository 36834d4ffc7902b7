#include "hostspool/FtpReply.h"

namespace oprinter {

bool ClosesReply(std::string_view line) {
    return line.size() < 4 || line[3] != '-';
}

char ReplyCodeOf(std::string_view line) {
    return line.empty() ? '?' : line.front();
}

}  // namespace oprinter
