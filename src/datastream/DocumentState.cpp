#include "datastream/DocumentState.h"

namespace oprinter {

void DocumentState::OpenDocument() {
    DocumentOpen = true;
    SpoolText.Release();
    SpoolInfo.clear();
    LineNo = 0;
    ColumnNo = 0;
    MaxLines = 0;
    MaxColumns = 0;
}

void DocumentState::ReleaseDocument() {
    DocumentOpen = false;
    SpoolText.Release();
    std::vector<std::string>().swap(SpoolInfo);
}

}  // namespace oprinter
