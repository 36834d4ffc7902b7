// Writing a finished document to its spool file.
#include <sys/stat.h>

#include "datastream/PrintDataStream.h"
#include "datastream/SpoolFileLayout.h"
#include "datastream/SpoolFileName.h"
#include "datastream/SpoolFileWriter.h"

namespace oprinter {

void PrintDataStream::SaveSpoolFile() {
    state_.SavePending = false;
    if (!state_.DocumentOpen) return;
    // The size lines go into the file only, so a save that fails and is made
    // again later does not carry them twice.
    std::vector<std::string> attributes = state_.SpoolInfo;
    attributes.push_back("RighePerPagina=" + std::to_string(state_.MaxLines));
    attributes.push_back("CaratteriPerRiga=" + std::to_string(state_.MaxColumns));
    // The text goes to the file from where it lies, after its header.
    const std::string header = SpoolFileHeader(AttributeText(attributes), state_.SpoolText.Size());
    std::vector<std::string_view> pieces{header};
    state_.SpoolText.AppendPieces(pieces);
    const std::string spoolFolder = exeFolder_ + "Spool/";
    // A folder that cannot be made shows up as the file that cannot be created.
    ::mkdir(spoolFolder.c_str(), 0777);
    // On failure the document stays open and the exception reaches the read
    // handler, so the record that ended the document is not acknowledged.
    const std::string path = WriteSpoolFile(spoolFolder, NomeOf(state_.SpoolInfo), pieces, clock_);
    state_.ReleaseDocument();
    session_.WriteTrace(2, "Fine Allocazione Strutture");
    session_.SpoolFileSaved(path);
}

}  // namespace oprinter
