#pragma once
// What the printer session asks of whoever runs it, in the order it is to be
// done. Fetching attributes, saving and restarting the writer each want an
// answer before the session goes on.
#include <cstdint>
#include <string>

namespace oprinter {

enum class EffectKind : uint8_t {
    Send,             // text: bytes for the host
    FetchAttributes,  // answer: AttributesFetched, AttributesNotFound or AttributesFailed
    Save,             // the document is Document(); answer: Saved or SaveFailed
    RestartWriter,    // answer: WriterRestarted or WriterRestartFailed
    EndSession,       // text: the message of a fatal protocol error
    Status,           // text: the new status text
    Log,              // text: a line of the session log; detail: a detail line
    Trace,            // text: a trace line that passes the trace threshold
};

struct SessionEffect {
    EffectKind kind;
    std::string text;
    bool detail = false;
    int32_t level = 0;  // of a trace line
};

}  // namespace oprinter
