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

// Writes the parts and forces them to disk; 0 or the error code.
int WriteParts(NewFile& file, const SpoolFileParts& parts) {
    if (const int error = file.Write({parts.Header})) return error;
    if (parts.Spilled != nullptr) {
        if (const int error = file.CopyFrom(*parts.Spilled)) return error;
    }
    if (const int error = file.Write(parts.Text)) return error;
    return file.Finish();
}

}  // namespace

std::string WriteSpoolFile(const std::string& spoolFolder, std::string_view nome, const SpoolFileParts& parts,
                           Clock& clock) {
    NameSource names(spoolFolder, nome, clock);
    std::string finalName = names.NameForNow();
    // Hidden, and never ending in ".spool", so nothing takes it for a spool file.
    const std::unique_ptr<NewFile> file =
        CreateStaged(spoolFolder + "." + finalName.substr(spoolFolder.size()) + ".partial", finalName);
    if (const int error = WriteParts(*file, parts)) throw FileError("Cannot write file", finalName, error);
    for (;;) {
        const NewFile::Naming naming = file->GiveName(finalName);
        if (naming == NewFile::Naming::Named) break;
        if (naming == NewFile::Naming::Failed) throw FileError("Cannot write file", finalName, LastSystemError());
        finalName = names.NameAfterWait(finalName);
    }
    SyncFolder(spoolFolder);
    return finalName;
}

std::string SpoolFolder(const std::string& exeFolder) { return exeFolder + "Spool/"; }

std::string SaveSpoolFile(const std::string& exeFolder, const SpoolDocument& document, Clock& clock) {
    const SpoolFileParts parts = SpoolFilePartsOf(document);
    const std::string spoolFolder = SpoolFolder(exeFolder);
    // A folder that cannot be made shows up as the file that cannot be created.
    std::error_code ignored;
    std::filesystem::create_directory(spoolFolder, ignored);
    return WriteSpoolFile(spoolFolder, NomeOf(document.SpoolInfo), parts, clock);
}

}  // namespace oprinter
