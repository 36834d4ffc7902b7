#pragma once
// Makes the PDF beside each saved spool file in a process of its own, so
// that a long document never holds up the session: one maker at a time, the
// files saved meanwhile wait and go to the next maker together. The maker is
// this program started again with kPdfMakerSwitch, the character set and the
// spool files' paths; for each file in turn it reports one line on its
// standard output: "ok " + the PDF's path, or "error " + the spool file's
// path + ": " + what went wrong.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <asio/io_context.hpp>

#include "platform/ProcessReport.h"
#include "session/HandlerGuard.h"

namespace oprinter {

inline constexpr std::string_view kPdfMakerSwitch = "--make-pdf";

struct PdfMakerCommand {
    std::string program = "/proc/self/exe";  // this program
    std::string charset;                     // of the spool files' text
};

class PdfCopyQueue {
public:
    // log(detail, text) writes a line of the session log.
    using LogLine = std::function<void(bool detail, std::string_view text)>;

    PdfCopyQueue(asio::io_context& loop, LogLine log);
    // Files still waiting go to one last maker, whose report nobody reads:
    // the spool files are saved, and their PDFs are not to be lost either.
    ~PdfCopyQueue();
    PdfCopyQueue(const PdfCopyQueue&) = delete;
    PdfCopyQueue& operator=(const PdfCopyQueue&) = delete;

    void Add(const std::string& spoolPath, const PdfMakerCommand& command);
    bool Busy() const { return !running_.empty(); }

private:
    void Launch();
    void ReadReport();
    void Finish();

    ProcessReport report_;
    LogLine log_;
    PdfMakerCommand command_;
    std::vector<std::string> waiting_;
    std::vector<std::string> running_;
    std::string reportText_;
    char buffer_[512];
    HandlerGuard guard_;
};

}  // namespace oprinter
