#pragma once
// A file written whole under a name of its own, then given its final name,
// which must not be taken yet; whoever looks sees it complete or not at all.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/SpillFile.h"

namespace oprinter {

class NewFile {
public:
    // Creates the file at path, replacing one there; nullptr with
    // LastSystemError() when it cannot.
    static std::unique_ptr<NewFile> Create(const std::string& path);
    virtual ~NewFile() = default;  // closes it and removes the name it was created under

    // Each call goes on where the last one stopped; 0 or the error code.
    // The pieces, in order.
    virtual int Write(const std::vector<std::string_view>& pieces) = 0;
    // The whole of a spill file of this platform, moved in the kernel where
    // the file system can, so its bytes never pass through memory.
    virtual int CopyFrom(const SpillFile& file) = 0;
    // Forces what was written to disk and closes the file; 0 or the error code.
    virtual int Finish() = 0;

    enum class Naming { Named, Taken, Failed };
    // On Failed, LastSystemError() says why.
    virtual Naming GiveName(const std::string& finalName) = 0;
};

// Makes the new entries of a folder durable where the file system can.
void SyncFolder(const std::string& folder);

}  // namespace oprinter
