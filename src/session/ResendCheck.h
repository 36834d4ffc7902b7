#pragma once
// A spooled file the host prints again because the acknowledgement of its
// last record was lost with the connection is saved once. The last save's
// identity (digests of its key attributes and of its text, the file's name,
// and whether the session ended before another record came) is kept in
// "oprinter.lastsave" in the printer's folder, so it holds across a restart.
// The first document of a session that equals it, when that session came
// after one that ended right after its save, is a resend.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "datastream/SpoolFileLayout.h"

namespace oprinter {

inline constexpr const char* kLastSaveFileName = "oprinter.lastsave";

struct SaveIdentity {
    std::optional<std::string> attributes;  // digest of the key attributes; none without attributes
    std::string text;                       // digest of the text

    bool operator==(const SaveIdentity&) const = default;
};

// The key attributes are NomeLavoro, Utente, Numero, Nome, NumeroFile,
// DataCreazione and OraCreazione.
SaveIdentity IdentityOf(const SpoolDocument& document);

class ResendCheck {
public:
    using LogLine = std::function<void(std::string_view text)>;

    // Reads the last save of folder (ends with "/"); one check per session.
    ResendCheck(const std::string& folder, LogLine log);

    // Every record of the session, before it is looked at: one that comes
    // after a save means the host had that save's acknowledgement.
    void RecordArrived();
    // The name of the file the session's document repeats, when it is a
    // resend; asked once per document before it is saved.
    std::optional<std::string> Repeats(const SaveIdentity& identity);
    // The document has been saved as fileName (or found to repeat it).
    void Saved(const SaveIdentity& identity, const std::string& fileName);

    struct LastSave {
        std::string fileName;
        SaveIdentity identity;
        bool lastOfItsSession = false;  // no record came after it

        bool operator==(const LastSave&) const = default;
    };

private:
    void Write();

    std::string path_;
    LogLine log_;
    std::optional<LastSave> last_;
    bool firstDocument_ = true;
    bool savedInSession_ = false;
};

std::string LastSaveText(const ResendCheck::LastSave& save);
// Nothing when the text is not a complete record.
std::optional<ResendCheck::LastSave> ParseLastSave(std::string_view text);

}  // namespace oprinter
