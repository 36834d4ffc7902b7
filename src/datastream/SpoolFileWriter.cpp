#include "datastream/SpoolFileWriter.h"

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <system_error>

#include "datastream/SpoolFileName.h"
#include "platform/NewFile.h"
#include "platform/SystemError.h"

namespace oprinter {
namespace {

constexpr std::chrono::milliseconds kNameTakenWait{50};
// Names carry milliseconds, so a real clock frees the name at the next wait;
// only a clock that stands still would come this far.
constexpr int kMostNameWaits = 200;

std::runtime_error FileError(const char* what, const std::string& path, int error) {
    return std::runtime_error(std::string(what) + " \"" + path + "\". " + SystemErrorText(error));
}

class NameSource {
public:
    NameSource(const std::string& folder, std::string_view nome, Clock& clock)
        : folder_(folder), nome_(nome), clock_(clock) {}

    std::string NameForNow() const { return SpoolFileName(folder_, nome_, clock_.Now()); }

    // The name that was taken is built again, 50 ms later.
    std::string NameAfterWait(const std::string& taken) {
        if (++waits_ > kMostNameWaits) throw FileError("Cannot create file", taken, kFileExistsError);
        clock_.Sleep(kNameTakenWait);
        return NameForNow();
    }

private:
    const std::string& folder_;
    std::string_view nome_;
    Clock& clock_;
    int waits_ = 0;
};

std::unique_ptr<NewFile> CreateStaged(const std::string& path, const std::string& reportedName) {
    std::unique_ptr<NewFile> file = NewFile::Create(path);
    if (!file) throw FileError("Cannot create file", reportedName, LastSystemError());
    return file;
}

}  // namespace

std::string WriteSpoolFile(const std::string& spoolFolder, std::string_view nome,
                           const std::vector<std::string_view>& pieces, Clock& clock) {
    NameSource names(spoolFolder, nome, clock);
    std::string finalName = names.NameForNow();
    // Hidden, and never ending in ".spool", so nothing takes it for a spool file.
    const std::unique_ptr<NewFile> file =
        CreateStaged(spoolFolder + "." + finalName.substr(spoolFolder.size()) + ".partial", finalName);
    if (const int error = file->WriteAll(pieces)) throw FileError("Cannot write file", finalName, error);
    for (;;) {
        const NewFile::Naming naming = file->GiveName(finalName);
        if (naming == NewFile::Naming::Named) break;
        if (naming == NewFile::Naming::Failed) throw FileError("Cannot write file", finalName, LastSystemError());
        finalName = names.NameAfterWait(finalName);
    }
    SyncFolder(spoolFolder);
    return finalName;
}

std::string SaveSpoolFile(const std::string& exeFolder, const SpoolDocument& document, Clock& clock) {
    std::string header;
    const std::vector<std::string_view> pieces = SpoolFilePieces(document, header);
    const std::string spoolFolder = exeFolder + "Spool/";
    // A folder that cannot be made shows up as the file that cannot be created.
    std::error_code ignored;
    std::filesystem::create_directory(spoolFolder, ignored);
    return WriteSpoolFile(spoolFolder, NomeOf(document.SpoolInfo), pieces, clock);
}

}  // namespace oprinter
