#include "session/ResendCheck.h"

#include <array>
#include <exception>
#include <utility>
#include <vector>

#include "platform/Digest.h"
#include "platform/ReplaceFile.h"
#include "platform/WholeFile.h"

namespace oprinter {

namespace {

constexpr std::array<std::string_view, 7> kKeyAttributes = {"NomeLavoro", "Utente",        "Numero",      "Nome",
                                                            "NumeroFile", "DataCreazione", "OraCreazione"};
constexpr std::string_view kNone = "none";
constexpr mode_t kRecordMode = 0640;

std::string_view ValueOf(const std::vector<std::string>& spoolInfo, std::string_view name) {
    for (const std::string& line : spoolInfo) {
        if (line.size() > name.size() && line.starts_with(name) && line[name.size()] == '=')
            return std::string_view(line).substr(name.size() + 1);
    }
    return {};
}

// "key=value" lines; the value runs to the end of its line.
std::optional<std::string_view> Field(std::string_view text, std::string_view key) {
    for (size_t start = 0; start < text.size();) {
        const size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line = text.substr(start, end - start);
        if (line.size() > key.size() && line.starts_with(key) && line[key.size()] == '=')
            return line.substr(key.size() + 1);
        start = end + 1;
    }
    return std::nullopt;
}

bool IsDigest(std::string_view text) {
    return text.size() == 64 && text.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

}  // namespace

SaveIdentity IdentityOf(const SpoolDocument& document) {
    SaveIdentity identity;
    if (!document.SpoolInfo.empty()) {
        // Each value ends with a NUL, which no value holds, so values never run together.
        std::vector<std::string_view> values;
        for (const std::string_view name : kKeyAttributes) {
            values.push_back(ValueOf(document.SpoolInfo, name));
            values.push_back(std::string_view("\0", 1));
        }
        identity.attributes = Sha256Hex(values);
    }
    std::vector<std::string_view> text;
    document.Layout.SpoolText.AppendPieces(text);
    identity.text = Sha256Hex(text);
    return identity;
}

std::string LastSaveText(const ResendCheck::LastSave& save) {
    return "file=" + save.fileName + "\nattributes=" + save.identity.attributes.value_or(std::string(kNone)) +
           "\ntext=" + save.identity.text + "\nlast_of_session=" + (save.lastOfItsSession ? "1" : "0") + "\n";
}

std::optional<ResendCheck::LastSave> ParseLastSave(std::string_view text) {
    const auto file = Field(text, "file"), attributes = Field(text, "attributes"), digest = Field(text, "text"),
               last = Field(text, "last_of_session");
    if (!file || !attributes || !digest || !last || !IsDigest(*digest) || (*last != "0" && *last != "1") ||
        (*attributes != kNone && !IsDigest(*attributes)))
        return std::nullopt;
    ResendCheck::LastSave save;
    save.fileName = std::string(*file);
    if (*attributes != kNone) save.identity.attributes = std::string(*attributes);
    save.identity.text = std::string(*digest);
    save.lastOfItsSession = *last == "1";
    return save;
}

ResendCheck::ResendCheck(const std::string& folder, LogLine log)
    : path_(folder + kLastSaveFileName), log_(std::move(log)) {
    try {
        last_ = ParseLastSave(ReadWholeFile(path_));
    } catch (const std::exception&) {
        // No save yet: nothing to repeat.
    }
}

void ResendCheck::RecordArrived() {
    if (!savedInSession_ || !last_ || !last_->lastOfItsSession) return;
    last_->lastOfItsSession = false;
    Write();
}

std::optional<std::string> ResendCheck::Repeats(const SaveIdentity& identity) {
    const bool first = std::exchange(firstDocument_, false);
    if (!first || !last_ || !last_->lastOfItsSession || last_->identity != identity) return std::nullopt;
    return last_->fileName;
}

void ResendCheck::Saved(const SaveIdentity& identity, const std::string& fileName) {
    last_ = LastSave{fileName, identity, true};
    savedInSession_ = true;
    Write();
}

// A record that cannot be written costs the check, never the save.
void ResendCheck::Write() {
    try {
        ReplaceFile(path_, LastSaveText(*last_), kRecordMode);
    } catch (const std::exception& failure) {
        log_(std::string("Resend Check Error: ") + failure.what());
    }
}

}  // namespace oprinter
