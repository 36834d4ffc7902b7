#pragma once
// The after-save work of a printer that has not ended yet, on disk in the
// printer's folder, so that a stop, a crash or a power cut loses none of it:
// "AfterSave/<spool file's name>" holds the steps still to do, one a line.
#include <optional>
#include <string>
#include <vector>

namespace oprinter {

inline constexpr const char* kPendingFolder = "AfterSave";

enum class AfterSaveStep { pdf, command };

struct PendingPiece {
    std::string spoolName;  // the file's name in Spool/
    std::vector<AfterSaveStep> steps;  // in the order they run
};

class PendingWork {
public:
    // folder is the printer's, ending with "/".
    explicit PendingWork(const std::string& folder);

    // Records the steps of a spool file, replacing what was recorded for it;
    // no steps removes the record. On disk when it returns; throws
    // std::runtime_error naming the file when it cannot be.
    void Record(const PendingPiece& piece) const;
    // Every recorded piece, oldest spool file first; records that cannot be
    // read are left out.
    std::vector<PendingPiece> Recorded() const;

private:
    std::string folder_;  // ends with "/"
};

// How many spool files have work recorded in the printer's folder.
size_t CountPendingWork(const std::string& folder);

}  // namespace oprinter
