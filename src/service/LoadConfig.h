#pragma once
// Reads "OPrinter.cfg" from the executable's folder into the settings, once,
// when the service module is created.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "logging/LogWriter.h"
#include "service/Settings.h"

namespace oprinter {

// The names of the schedule's day elements, Monday (Schedule[0]) first.
inline constexpr std::array<std::string_view, 7> kDayNames = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                                              "Friday", "Saturday", "Sunday"};

// Whether exeFolder holds a file "OPrinter.cfg" (exeFolder ends with "/").
bool HasConfigFile(const std::string& exeFolder);

struct ConfigReading {
    bool complete = true;  // false: the reading stopped at a failure
    std::string error;     // the failure's message when it stopped
    // Settings that were not taken as written (an unknown Charset), each
    // logged as one line.
    std::vector<std::string> warnings;
};

// Fills settings from exeFolder + "OPrinter.cfg" (exeFolder ends with "/").
// Settings the file does not reach keep their values. A missing file is not a
// failure: Language becomes "IT" and nothing else changes. A failure outside
// the optional settings stops the reading where it happens and is logged as
// "Errore Generale: " + message. Never throws.
ConfigReading LoadConfig(const std::string& exeFolder, Settings& settings, const LogWriter& log);
// The same reading without the log line, for tools that must not write into
// the service's log.
ConfigReading ReadConfig(const std::string& exeFolder, Settings& settings);

// The Charset that LoadConfig would take from exeFolder + "OPrinter.cfg"; the
// default when there is no file or it names no known character set.
std::string ConfiguredCharset(const std::string& exeFolder);

// "hh:nn:ss"; a field that is not a number counts as 0, and a time out of
// range gives 00:00:00. Never throws.
TimeOfDay TimeFromText(std::string_view text);

}  // namespace oprinter
