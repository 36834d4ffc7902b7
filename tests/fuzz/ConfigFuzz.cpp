// LoadConfig over any file as "OPrinter.cfg": it never throws, and whatever it
// took from the file is within the settings' ranges.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "FuzzFolder.h"
#include "service/CryptStr.h"
#include "service/LoadConfig.h"
#include "support/FakeClock.h"

using namespace oprinter;
using fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static test::FakeClock clock;
    static const fuzz::FuzzFolder folder;
    static const LogWriter log(folder.Path(), clock);
    // A failed reading may have written a log file beside the file.
    folder.Clear({});
    folder.Write("OPrinter.cfg", std::string_view(reinterpret_cast<const char*>(data), size));

    Settings settings;
    const ConfigReading reading = LoadConfig(folder.Path(), settings, log);

    Require(reading.complete || !reading.error.empty(), "a reading that stopped says why");
    Require(settings.Session.Host.Password.size() <= kLongestPassword, "the password is at most 128 characters");
    for (const TDaySchedule& day : settings.Schedule) {
        for (const TimeOfDay& time : {day.StartTime, day.EndTime}) {
            Require(time.hour < 24 && time.minute < 60 && time.second < 60, "schedule times are times of day");
        }
    }
    return 0;
}
