#pragma once
// The 5250 record layer, the print data decoder and the spool file writer,
// with the document state they share. The session module owns one.
#include <string>
#include <string_view>
#include <vector>

#include "datastream/CvTable.h"
#include "datastream/DocumentState.h"
#include "datastream/PrintSessionPort.h"
#include "platform/Clock.h"

namespace oprinter {

class PrintDataStream {
public:
    // exeFolder ends with "/"; spool files go to exeFolder + "Spool/".
    PrintDataStream(PrintSessionPort& session, Clock& clock, std::string exeFolder, CvTable table);

    // Called at each IAC EOR with the record's data bytes; the caller empties
    // the buffer afterwards. Throws std::exception on a failure that the read
    // handler logs as "Read Error: " + what(); the record is then not
    // acknowledged.
    void ProcessRecord(std::string& recordBuffer);

    // Each tick of the session's save timer.
    void TimerSaveTimer();

    const DocumentState& Document() const { return state_; }

private:
    // Record layer. data is the record without its 6-byte fixed header.
    void ProcessStartupResponse(std::string_view data);
    void AcknowledgeRecord();

    // Print data decoder; position is the offset of the first data byte.
    void ProcessPrintData(std::string_view data, size_t position);
    void CompleteSegment(std::string_view segment);
    void DecodeSegment(DocumentText& text, std::string_view segment);
    void FetchAttributes(DocumentText& text);
    void CarriageReturnLineFeed(DocumentText& text);
    void LineFeed(DocumentText& text);
    void FormFeed(DocumentText& text);
    void PlaceCharacters(DocumentText& text, std::string_view run);
    void OpenFirstLineIfNone(DocumentText& text);

    // Spool file output and the save timer.
    void SaveSpoolFile();
    void RestartWriter();

    PrintSessionPort& session_;
    Clock& clock_;
    std::string exeFolder_;
    CvTable table_;
    DocumentState state_;
};

}  // namespace oprinter
