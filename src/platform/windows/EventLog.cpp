#include <windows.h>

#include "platform/windows/WindowsEventLog.h"

namespace oprinter {
namespace {

unsigned short EntryType(int eventType) {
    switch (eventType) {
        case 1: return EVENTLOG_ERROR_TYPE;
        case 2: return EVENTLOG_WARNING_TYPE;
        default: return EVENTLOG_INFORMATION_TYPE;
    }
}

class Win32Api final : public EventSourceApi {
public:
    Source Register(const std::string& sourceName) override {
        return ::RegisterEventSourceA(nullptr, sourceName.c_str());
    }
    bool Report(Source source, unsigned short type, const std::string& text) override {
        const char* strings[] = {text.c_str()};
        return ::ReportEventA(static_cast<HANDLE>(source), type, 0, 0, nullptr, 1, 0, strings, nullptr) != FALSE;
    }
    bool Deregister(Source source) override { return ::DeregisterEventSource(static_cast<HANDLE>(source)) != FALSE; }
};

}  // namespace

EventSourceApi& Win32EventSourceApi() {
    static Win32Api api;
    return api;
}

void WindowsEventLog::WriteEventLog(std::string_view source, std::string_view text, int eventType) {
    // An entry that cannot be written is dropped: the log file has the text too.
    const EventSourceApi::Source handle = api_.Register(source_.empty() ? std::string(source) : source_);
    if (handle == nullptr) return;
    api_.Report(handle, EntryType(eventType), std::string(text));
    api_.Deregister(handle);
}

std::unique_ptr<EventLog> ServiceEventLog(const std::string& source) {
    return std::make_unique<WindowsEventLog>(Win32EventSourceApi(), source);
}

}  // namespace oprinter
