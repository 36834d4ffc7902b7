#pragma once
// The work that follows the save of each spool file, one printer's queue:
// its PDF copy (the service's own executable started with kPdfMakerSwitch)
// and then the hand-off program SpoolCommand. One piece of work runs at a
// time, in a process of its own at a lower priority, so the session answers
// the host meanwhile; each run has a time limit. The work of every saved
// file is recorded in the printer's folder (PendingWork) before the save is
// acknowledged, and removed once it has ended, in success or failure, so a
// stop or a crash only delays it to the next start. A failure is one log
// line and never touches the spool file.
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include <asio/io_context.hpp>
#include <asio/steady_timer.hpp>

#include "platform/ChildProcess.h"
#include "session/PendingWork.h"

namespace oprinter {

inline constexpr std::string_view kPdfMakerSwitch = "--make-pdf";
// Far above the minutes the maker takes for the largest document measured,
// and short enough that a hung program holds the queue for one cycle of
// checks at most.
inline constexpr std::chrono::seconds kAfterSaveTimeLimit{600};

struct AfterSaveSettings {
    bool pdfCopy = false;
    std::string charset;       // of the spool files' text
    std::string spoolCommand;  // absolute path; empty: none
    std::string printer;       // OPRINTER_PRINTER
    std::string pdfMaker;      // this program's path
    std::chrono::milliseconds timeLimit = kAfterSaveTimeLimit;
};

class AfterSaveQueue {
public:
    // log(detail, text) writes a line of the log.
    using LogLine = std::function<void(bool detail, std::string_view text)>;

    // folder is the printer's (ends with "/"); the work it has recorded is
    // resumed at once.
    AfterSaveQueue(asio::io_context& loop, const std::string& folder, AfterSaveSettings settings, LogLine log);
    // A program still running is ended; its work stays recorded.
    ~AfterSaveQueue();
    AfterSaveQueue(const AfterSaveQueue&) = delete;
    AfterSaveQueue& operator=(const AfterSaveQueue&) = delete;

    // The work of a spool file just saved: on record when this returns.
    void Add(const std::string& spoolPath);
    bool Busy() const { return running_ != nullptr; }
    size_t Waiting() const { return waiting_.size(); }

private:
    std::vector<AfterSaveStep> StepsWanted() const;
    void Record(const PendingPiece& piece);
    void Resume();
    void Next();
    void Start(const std::string& spoolPath, AfterSaveStep step);
    ChildLaunch PdfMaker(const std::string& spoolPath) const;
    ChildLaunch Command(const std::string& spoolPath) const;
    void Ended(const ChildOutcome& outcome);
    void Report(const std::string& spoolPath, AfterSaveStep step, const ChildOutcome& outcome) const;
    void StepDone();

    asio::io_context& loop_;
    std::string folder_;
    AfterSaveSettings settings_;
    LogLine log_;
    PendingWork record_;
    std::deque<PendingPiece> waiting_;  // front: the piece whose step runs
    std::unique_ptr<ChildProcess> running_;
    asio::steady_timer limit_;
    bool overTime_ = false;
    std::shared_ptr<int> life_ = std::make_shared<int>(0);
};

}  // namespace oprinter
