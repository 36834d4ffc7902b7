#include "app/oprinter/MakePdfs.h"

#include <sys/resource.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>

#include "pdf/ReportPdf.h"

namespace oprinter {

namespace {

// Below the service, so that a large document takes only spare time.
constexpr int kMakerNiceness = 10;

void Report(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

}  // namespace

int MakePdfs(const std::vector<std::string>& arguments) {
    if (arguments.empty()) return 2;
    if (::setpriority(PRIO_PROCESS, 0, kMakerNiceness) != 0) {
        // Made all the same, at the service's priority; the journal (the
        // service's standard error) tells why.
        std::fprintf(stderr, "oprinter --make-pdf: the priority stays, setpriority: %s\n", std::strerror(errno));
    }
    // A session that has gone away no longer reads the report; the PDFs are made all the same.
    std::signal(SIGPIPE, SIG_IGN);
    PdfOptions options;
    options.charset = arguments[0];
    int status = 0;
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::string pdfPath = PdfPathFor(arguments[i]);
        try {
            WriteReportPdf(arguments[i], pdfPath, options);
            Report("ok " + pdfPath);
        } catch (const std::exception& failure) {
            // File errors name their file already.
            const std::string message = failure.what();
            Report("error " + (message.starts_with(arguments[i] + ": ") ? message : arguments[i] + ": " + message));
            status = 1;
        }
    }
    return status;
}

}  // namespace oprinter
