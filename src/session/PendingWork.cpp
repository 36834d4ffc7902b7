#include "session/PendingWork.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "platform/NewFile.h"
#include "platform/ReplaceFile.h"
#include "platform/WholeFile.h"

namespace oprinter {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kSpoolExtension = ".spool";
constexpr std::string_view kPdfStep = "pdf";
constexpr std::string_view kCommandStep = "command";
constexpr mode_t kRecordMode = 0640;

// Only the service's own records: ReplaceFile's half-written temporaries end otherwise.
std::vector<std::string> RecordNames(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        if (name.size() > kSpoolExtension.size() && name.ends_with(kSpoolExtension)) names.push_back(name);
    }
    return names;
}

std::string StepsText(const std::vector<AfterSaveStep>& steps) {
    std::string text;
    for (const AfterSaveStep step : steps)
        text += std::string(step == AfterSaveStep::pdf ? kPdfStep : kCommandStep) + "\n";
    return text;
}

std::vector<AfterSaveStep> ParseSteps(std::string_view text) {
    std::vector<AfterSaveStep> steps;
    while (!text.empty()) {
        const size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = text.substr(0, end);
        if (line == kPdfStep) steps.push_back(AfterSaveStep::pdf);
        if (line == kCommandStep) steps.push_back(AfterSaveStep::command);
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return steps;
}

// "<Nome> yyyyMMddhhnnsszzz.spool": the stamp before the extension orders them.
std::string SaveStamp(const std::string& name) {
    const size_t blank = name.rfind(' ');
    return blank == std::string::npos ? std::string() : name.substr(blank + 1);
}

}  // namespace

PendingWork::PendingWork(const std::string& folder) : folder_(folder + kPendingFolder + "/") {}

void PendingWork::Record(const PendingPiece& piece) const {
    const std::string file = folder_ + piece.spoolName;
    std::error_code error;
    if (piece.steps.empty()) {
        fs::remove(file, error);
        if (error) throw std::runtime_error(file + ": " + error.message());
        return;
    }
    fs::create_directories(folder_, error);
    ReplaceFile(file, StepsText(piece.steps), kRecordMode);
    SyncFolder(folder_);
}

std::vector<PendingPiece> PendingWork::Recorded() const {
    std::vector<std::string> names = RecordNames(folder_);
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return std::pair(SaveStamp(a), a) < std::pair(SaveStamp(b), b);
    });
    std::vector<PendingPiece> pieces;
    for (const std::string& name : names) {
        try {
            pieces.push_back({name, ParseSteps(ReadWholeFile(folder_ + name))});
        } catch (const std::exception&) {
            // Gone or unreadable: nothing to resume.
        }
    }
    return pieces;
}

size_t CountPendingWork(const std::string& folder) { return RecordNames(folder + kPendingFolder + "/").size(); }

}  // namespace oprinter
