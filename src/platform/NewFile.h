#pragma once
// A file written whole under a name of its own, then given its final name,
// which must not be taken yet; whoever looks sees it complete or not at all.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace oprinter {

class NewFile {
public:
    // Creates the file at path, replacing one there; nullptr with
    // LastSystemError() when it cannot.
    static std::unique_ptr<NewFile> Create(const std::string& path);
    virtual ~NewFile() = default;  // closes it and removes the name it was created under

    // Writes the pieces in order, forces them to disk and closes the file;
    // 0 or the error code.
    virtual int WriteAll(const std::vector<std::string_view>& pieces) = 0;
    enum class Naming { Named, Taken, Failed };
    // On Failed, LastSystemError() says why.
    virtual Naming GiveName(const std::string& finalName) = 0;
};

// Makes the new entries of a folder durable where the file system can.
void SyncFolder(const std::string& folder);

}  // namespace oprinter
