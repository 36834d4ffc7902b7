#pragma once
// Puts a spool file on disk so that no ".spool" file is ever seen half-written.
#include <string>
#include <string_view>
#include <vector>

#include "datastream/SpoolFileLayout.h"
#include "platform/Clock.h"

namespace oprinter {

// Writes the parts, one after the other, under a temporary name in spoolFolder (ends with "/"), flushes
// them to disk, then gives the file the name SpoolFileName builds from nome
// and the time, without replacing an existing file: while the name is taken it
// waits 50 ms and builds it again. Returns the final name. Throws
// std::runtime_error naming the file; the temporary file is removed then.
std::string WriteSpoolFile(const std::string& spoolFolder, std::string_view nome,
                           const SpoolFileParts& parts, Clock& clock);

// The folder "Spool" in exeFolder (ends with "/"), where spool files go and
// the text of a document too large for memory waits.
std::string SpoolFolder(const std::string& exeFolder);

// Writes a finished document into the folder "Spool" in exeFolder (ends with
// "/"), named from its "Nome" line. Returns the file's path; throws as above,
// and then the document is to stay open.
std::string SaveSpoolFile(const std::string& exeFolder, const SpoolDocument& document, Clock& clock);

}  // namespace oprinter
