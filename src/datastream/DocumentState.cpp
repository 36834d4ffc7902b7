#include "datastream/DocumentState.h"

namespace oprinter {

void DocumentState::OpenDocument() {
    DocumentOpen = true;
    SpoolText.clear();
    SpoolInfo.clear();
    LineNo = 0;
    ColumnNo = 0;
    MaxLines = 0;
    MaxColumns = 0;
}

void DocumentState::ReleaseDocument() {
    DocumentOpen = false;
    std::vector<std::string>().swap(SpoolText);
    std::vector<std::string>().swap(SpoolInfo);
}

}  // namespace oprinter
