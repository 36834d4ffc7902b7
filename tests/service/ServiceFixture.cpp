#include "ServiceFixture.h"

#include <sstream>

#include "logging/LogWriter.h"

namespace oprinter::test {

ServiceFixture::ServiceFixture() {
    clock.onSleep = [this](std::chrono::milliseconds duration) {
        Record("[sleep " + std::to_string(duration.count()) + " ms]");
    };
    heartbeat.onWrite = [this](int32_t value) { Record("[heartbeat " + std::to_string(value) + "]"); };
}

TO3812Printer& ServiceFixture::Service() {
    if (!service_) service_ = std::make_unique<TO3812Printer>(folder.Path(), clock, *store_, eventLog, loop);
    return *service_;
}

void ServiceFixture::ConfigureTuesdays(uint16_t telnetPort) {
    Service().ServiceCreate();  // no configuration file in the folder
    Settings& config = Service().Config;
    config.System = "127.0.0.1";
    config.Log = true;
    config.MaxLog = 1000;
    config.Schedule[1] = {true, {8, 0, 0}, {18, 0, 0}};
    Service().TelnetPort = telnetPort;
}

void ServiceFixture::CycleAt(int hour, int minute, int second, int millisecond) {
    clock.now = At(hour, minute, second, millisecond);
    Service().ControlCycle();
}

bool ServiceFixture::RunUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        if (loop.stopped()) loop.restart();
        loop.run_one_for(std::chrono::milliseconds(10));
    }
    return true;
}

std::vector<std::string> ServiceFixture::LogTexts() const {
    std::istringstream lines(folder.Read("OPrinter " + LogDateText(clock.now) + ".log"));
    std::vector<std::string> texts;
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t start = line.find(": ");
        texts.push_back(start == std::string::npos ? line : line.substr(start + 2));
    }
    return texts;
}

void ServiceFixture::Record(std::string text) { marks_.push_back({std::move(text), LogTexts().size()}); }

std::vector<std::string> ServiceFixture::Timeline() const {
    const std::vector<std::string> texts = LogTexts();
    std::vector<std::string> timeline;
    size_t next = 0;
    for (const Mark& mark : marks_) {
        for (; next < mark.logLinesBefore && next < texts.size(); ++next) timeline.push_back(texts[next]);
        timeline.push_back(mark.text);
    }
    for (; next < texts.size(); ++next) timeline.push_back(texts[next]);
    return timeline;
}

std::vector<std::string> ServiceFixture::TimelineFrom(size_t start) const {
    const std::vector<std::string> timeline = Timeline();
    if (start >= timeline.size()) return {};
    return {timeline.begin() + static_cast<std::ptrdiff_t>(start), timeline.end()};
}

}  // namespace oprinter::test
