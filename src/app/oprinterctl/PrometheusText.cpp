#include "app/oprinterctl/PrometheusText.h"

#include <functional>
#include <optional>

#include "service/ServiceIdentity.h"

namespace oprinter::ctl {

namespace {

struct Metric {
    const char* name;
    const char* help;
    std::function<std::optional<long long>(const PrinterStatus&)> value;  // nothing: no sample
};

const std::vector<Metric>& Metrics() {
    static const std::vector<Metric> metrics = {
        {"oprinter_connected", "1 when the printer session with the host is connected.",
         [](const PrinterStatus& s) { return std::optional<long long>(s.session == SessionState::connected ? 1 : 0); }},
        {"oprinter_heartbeat_age_seconds", "Seconds since the service's last heartbeat.",
         [](const PrinterStatus& s) { return std::optional<long long>(s.heartbeatAge); }},
        {"oprinter_spool_files_today", "Spool files saved today.",
         [](const PrinterStatus& s) { return std::optional<long long>(s.spoolFilesToday); }},
        {"oprinter_last_spool_file_timestamp_seconds", "When the newest spool file was saved.",
         [](const PrinterStatus& s) { return std::optional<long long>(s.lastSpoolAt); }},
        {"oprinter_last_error_timestamp_seconds", "When the newest error line of the logs was written.",
         [](const PrinterStatus& s) { return std::optional<long long>(s.lastErrorAt); }},
        {"oprinter_after_save_pending", "Spool files whose PDF copy or SpoolCommand has not ended.",
         [](const PrinterStatus& s) { return std::optional<long long>(static_cast<long long>(s.afterSavePending)); }},
    };
    return metrics;
}

// Label values escape the backslash, the double quote and the line feed.
std::string LabelValue(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        if (c == '\\') {
            escaped += "\\\\";
        } else if (c == '"') {
            escaped += "\\\"";
        } else if (c == '\n') {
            escaped += "\\n";
        } else {
            escaped += c;
        }
    }
    return escaped;
}

std::string Labels(const PrinterStatus& status) {
    return "{printer=\"" + LabelValue(InstanceName(status.folder)) + "\",folder=\"" + LabelValue(status.folder) +
           "\"}";
}

}  // namespace

std::string PrometheusText(const std::vector<PrinterStatus>& statuses) {
    std::string text;
    for (const Metric& metric : Metrics()) {
        text += std::string("# HELP ") + metric.name + " " + metric.help + "\n";
        text += std::string("# TYPE ") + metric.name + " gauge\n";
        for (const PrinterStatus& status : statuses) {
            if (const std::optional<long long> value = metric.value(status))
                text += metric.name + Labels(status) + " " + std::to_string(*value) + "\n";
        }
    }
    return text;
}

}  // namespace oprinter::ctl
