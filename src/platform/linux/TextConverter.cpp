#include "platform/TextConverter.h"

#include <iconv.h>
#include <langinfo.h>

#include <cerrno>
#include <clocale>
#include <stdexcept>

#include "platform/Utf8Sequence.h"

namespace oprinter {

namespace {

constexpr const char* kUtf8 = "UTF-8";
const iconv_t kNoDescriptor = reinterpret_cast<iconv_t>(-1);

bool IsUtf8Name(std::string name) {
    for (char& c : name) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return name == "UTF-8" || name == "UTF8";
}

bool CanOpen(const std::string& to, const std::string& from) {
    const iconv_t descriptor = ::iconv_open(to.c_str(), from.c_str());
    if (descriptor == kNoDescriptor) return false;
    ::iconv_close(descriptor);
    return true;
}

}  // namespace

bool IsKnownCharset(const std::string& name) { return !name.empty() && CanOpen(kUtf8, name) && CanOpen(name, kUtf8); }

std::string TerminalCharset() {
    // The tools never change the locale otherwise; only the codeset is wanted.
    std::setlocale(LC_CTYPE, "");
    const char* codeset = ::nl_langinfo(CODESET);
    return codeset != nullptr && *codeset != '\0' ? codeset : "ANSI_X3.4-1968";
}

struct TextConverter::State {
    iconv_t descriptor;
    bool fromUtf8;
};

TextConverter::TextConverter(const std::string& from, const std::string& to)
    : state_(std::make_unique<State>(State{::iconv_open(to.c_str(), from.c_str()), IsUtf8Name(from)})) {
    if (state_->descriptor == kNoDescriptor) {
        throw std::invalid_argument("no conversion from character set \"" + from + "\" to \"" + to + "\"");
    }
}

TextConverter::~TextConverter() { ::iconv_close(state_->descriptor); }

std::string TextConverter::Convert(std::string_view text) const {
    const iconv_t descriptor = state_->descriptor;
    std::string out;
    ::iconv(descriptor, nullptr, nullptr, nullptr, nullptr);  // initial shift state
    char buffer[4096];
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    while (inLeft > 0) {
        char* next = buffer;
        size_t room = sizeof buffer;
        const size_t result = ::iconv(descriptor, &in, &inLeft, &next, &room);
        const int error = errno;
        out.append(buffer, static_cast<size_t>(next - buffer));
        if (result != static_cast<size_t>(-1) || error == E2BIG) continue;
        // EILSEQ, or EINVAL for a sequence cut short by the end of the text.
        const std::string_view rest(in, inLeft);
        const size_t sequence = state_->fromUtf8 ? Utf8SequenceLength(rest) : 1;
        if (sequence == 0) {
            out += rest[0];
            in += 1;
            inLeft -= 1;
        } else {
            out += '?';
            in += sequence;
            inLeft -= sequence;
        }
    }
    char* next = buffer;
    size_t room = sizeof buffer;
    ::iconv(descriptor, nullptr, nullptr, &next, &room);  // back to the initial shift state
    out.append(buffer, static_cast<size_t>(next - buffer));
    return out;
}

}  // namespace oprinter
