#pragma once
// "oprinterctl status --prometheus": the printers' health in the text
// exposition format that node exporter's textfile collector reads.
#include <string>
#include <vector>

#include "app/oprinterctl/PrinterStatus.h"

namespace oprinter::ctl {

std::string PrometheusText(const std::vector<PrinterStatus>& statuses);

}  // namespace oprinter::ctl
