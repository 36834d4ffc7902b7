#include "session/PdfCopyQueue.h"

#include <algorithm>
#include <exception>

#include "platform/DetachedProcess.h"

namespace oprinter {

namespace {

constexpr std::string_view kDone = "ok ";
constexpr std::string_view kFailed = "error ";
// A report is a line per file; a maker gone wrong costs no more memory than this.
constexpr size_t kLongestReport = 1 << 20;

std::vector<std::string> Arguments(const PdfMakerCommand& command, const std::vector<std::string>& files) {
    std::vector<std::string> arguments{command.program, std::string(kPdfMakerSwitch), command.charset};
    arguments.insert(arguments.end(), files.begin(), files.end());
    return arguments;
}

std::vector<std::string_view> ReportLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const size_t end = std::min(text.find('\n'), text.size());
        lines.push_back(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return lines;
}

}  // namespace

PdfCopyQueue::PdfCopyQueue(asio::io_context& loop, LogLine log) : report_(loop), log_(std::move(log)) {}

PdfCopyQueue::~PdfCopyQueue() {
    if (waiting_.empty()) return;
    try {
        StartDetachedProcess(Arguments(command_, waiting_), false);
    } catch (const std::exception&) {
        // Nothing is left to report to; the spool files are there.
    }
}

void PdfCopyQueue::Add(const std::string& spoolPath, const PdfMakerCommand& command) {
    command_ = command;
    waiting_.push_back(spoolPath);
    if (!Busy()) Launch();
}

void PdfCopyQueue::Launch() {
    running_.swap(waiting_);
    waiting_.clear();
    reportText_.clear();
    try {
        report_.Assign(StartDetachedProcess(Arguments(command_, running_), true));
    } catch (const std::exception& failure) {
        for (const std::string& file : running_) log_(false, "PDF Error: " + file + ": " + failure.what());
        running_.clear();
        return;
    }
    ReadReport();
}

void PdfCopyQueue::ReadReport() {
    report_.ReadSome(buffer_, [this, watch = guard_.Watch()](size_t size, bool ended) {
        if (!watch.Live()) return;
        reportText_.append(buffer_, std::min(size, kLongestReport - std::min(kLongestReport, reportText_.size())));
        if (ended) {
            Finish();
        } else {
            ReadReport();
        }
    });
}

// The maker has ended (its end of the pipe closed): the report's lines
// belong to the files in order, and each file gets one log line.
void PdfCopyQueue::Finish() {
    report_.Close();
    const std::vector<std::string_view> lines = ReportLines(reportText_);
    for (size_t i = 0; i < running_.size(); ++i) {
        const std::string_view line = i < lines.size() ? lines[i] : std::string_view();
        if (line.starts_with(kDone)) {
            log_(true, "PDF: " + std::string(line.substr(kDone.size())));
        } else if (line.starts_with(kFailed)) {
            log_(false, "PDF Error: " + std::string(line.substr(kFailed.size())));
        } else {
            log_(false, "PDF Error: " + running_[i] + ": the PDF maker ended before it");
        }
    }
    running_.clear();
    if (!waiting_.empty()) Launch();
}

}  // namespace oprinter
