#include "session/AfterSaveQueue.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <optional>

#include <asio/post.hpp>

#include "datastream/SpoolFileName.h"
#include "datastream/SpoolFileReader.h"
#include "platform/WholeFile.h"
#include "session/SpoolCommandEnvironment.h"

namespace oprinter {

namespace {

constexpr std::string_view kDone = "ok ";
constexpr std::string_view kFailed = "error ";
// A program's last line of errors in the log, at most.
constexpr size_t kLongestErrorLine = 1000;

std::string FileName(const std::string& path) { return std::filesystem::path(path).filename().string(); }

std::string FirstLine(std::string_view text) { return std::string(text.substr(0, std::min(text.find('\n'), text.size()))); }

std::string LastLine(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
    const size_t newline = text.rfind('\n');
    if (newline != std::string_view::npos) text.remove_prefix(newline + 1);
    if (text.size() > kLongestErrorLine) text = text.substr(text.size() - kLongestErrorLine);
    return std::string(text);
}

std::string Seconds(std::chrono::milliseconds limit) {
    return std::to_string(std::chrono::duration_cast<std::chrono::seconds>(limit).count()) + " s";
}

bool Exists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

}  // namespace

AfterSaveQueue::AfterSaveQueue(asio::io_context& loop, const std::string& folder, AfterSaveSettings settings,
                               LogLine log)
    : loop_(loop),
      folder_(folder),
      settings_(std::move(settings)),
      log_(std::move(log)),
      record_(folder),
      limit_(loop) {
    Resume();
}

AfterSaveQueue::~AfterSaveQueue() {
    life_.reset();
    limit_.cancel();
}

std::vector<AfterSaveStep> AfterSaveQueue::StepsWanted() const {
    std::vector<AfterSaveStep> steps;
    if (settings_.pdfCopy) steps.push_back(AfterSaveStep::pdf);
    if (!settings_.spoolCommand.empty()) steps.push_back(AfterSaveStep::command);
    return steps;
}

// A record that cannot be written costs the resumption after a stop, not the work.
void AfterSaveQueue::Record(const PendingPiece& piece) {
    try {
        record_.Record(piece);
    } catch (const std::exception& failure) {
        log_(false, std::string("After-save Error: ") + failure.what());
    }
}

void AfterSaveQueue::Add(const std::string& spoolPath) {
    const std::vector<AfterSaveStep> steps = StepsWanted();
    if (steps.empty()) return;
    waiting_.push_back({FileName(spoolPath), steps});
    Record(waiting_.back());
    if (!Busy() && waiting_.size() == 1) Next();
}

// Steps the settings no longer ask for are dropped; so is the work of a
// spool file that is gone.
void AfterSaveQueue::Resume() {
    const std::vector<AfterSaveStep> wanted = StepsWanted();
    for (PendingPiece piece : record_.Recorded()) {
        std::erase_if(piece.steps, [&](AfterSaveStep step) {
            return std::find(wanted.begin(), wanted.end(), step) == wanted.end();
        });
        if (piece.steps.empty() || !Exists(folder_ + "Spool/" + piece.spoolName)) {
            Record({piece.spoolName, {}});
            continue;
        }
        waiting_.push_back(std::move(piece));
    }
    if (!waiting_.empty()) Next();
}

void AfterSaveQueue::Next() {
    if (waiting_.empty()) return;
    const PendingPiece& piece = waiting_.front();
    Start(folder_ + "Spool/" + piece.spoolName, piece.steps.front());
}

void AfterSaveQueue::Start(const std::string& spoolPath, AfterSaveStep step) {
    const bool pdf = step == AfterSaveStep::pdf;
    try {
        running_ = ChildProcess::Start(loop_, pdf ? PdfMaker(spoolPath) : Command(spoolPath),
                                       [this, watch = std::weak_ptr<int>(life_)](const ChildOutcome& outcome) {
                                           if (!watch.expired()) Ended(outcome);
                                       });
    } catch (const std::exception& failure) {
        log_(false, std::string(pdf ? "PDF Error: " : "Command Error: ") + spoolPath + ": " + failure.what());
        asio::post(loop_, [this, watch = std::weak_ptr<int>(life_)] {
            if (!watch.expired()) StepDone();
        });
        return;
    }
    overTime_ = false;
    limit_.expires_after(settings_.timeLimit);
    limit_.async_wait([this, watch = std::weak_ptr<int>(life_)](const asio::error_code& error) {
        if (watch.expired() || error || !running_) return;
        overTime_ = true;
        running_->Kill();
    });
}

ChildLaunch AfterSaveQueue::PdfMaker(const std::string& spoolPath) const {
    return {{settings_.pdfMaker, std::string(kPdfMakerSwitch), settings_.charset, spoolPath}, folder_, {}, true};
}

ChildLaunch AfterSaveQueue::Command(const std::string& spoolPath) const {
    const SpoolFileContent content = ParseSpoolFile(ReadWholeFile(spoolPath));
    const std::string pdf = PdfPathFor(spoolPath);
    const std::optional<std::string> madePdf =
        settings_.pdfCopy && Exists(pdf) ? std::optional<std::string>(pdf) : std::nullopt;
    return {{settings_.spoolCommand, spoolPath},
            folder_,
            SpoolCommandEnvironment(content.Attributes, settings_.charset, settings_.printer, madePdf),
            true};
}

// Called from the child's own handler: the child goes once the loop is back.
void AfterSaveQueue::Ended(const ChildOutcome& outcome) {
    limit_.cancel();
    const PendingPiece& piece = waiting_.front();
    Report(folder_ + "Spool/" + piece.spoolName, piece.steps.front(), outcome);
    asio::post(loop_, [this, watch = std::weak_ptr<int>(life_)] {
        if (watch.expired()) return;
        running_.reset();
        StepDone();
    });
}

void AfterSaveQueue::Report(const std::string& spoolPath, AfterSaveStep step, const ChildOutcome& outcome) const {
    if (step == AfterSaveStep::pdf) {
        const std::string line = FirstLine(outcome.output);
        if (overTime_) {
            log_(false, "PDF Error: " + spoolPath + ": the PDF maker ran longer than " + Seconds(settings_.timeLimit) +
                            " and was ended");
        } else if (line.starts_with(kDone)) {
            log_(true, "PDF: " + line.substr(kDone.size()));
        } else if (line.starts_with(kFailed)) {
            log_(false, "PDF Error: " + line.substr(kFailed.size()));
        } else {
            log_(false, "PDF Error: " + spoolPath + ": the PDF maker ended before it");
        }
        return;
    }
    if (overTime_) {
        log_(false, "Command Error: " + spoolPath + ": ran longer than " + Seconds(settings_.timeLimit) +
                        " and was ended");
    } else if (outcome.exitStatus != 0) {
        log_(false, "Command Error: " + spoolPath + ": exit " + std::to_string(outcome.exitStatus) + ": " +
                        LastLine(outcome.errors));
    } else {
        log_(true, "Command: " + spoolPath);
    }
}

// The step has ended, in success or failure: off the record, and on to the next.
void AfterSaveQueue::StepDone() {
    PendingPiece& piece = waiting_.front();
    piece.steps.erase(piece.steps.begin());
    Record(piece);
    if (piece.steps.empty()) waiting_.pop_front();
    Next();
}

}  // namespace oprinter
