// Decoding: the print records of a 20 MiB report through the record layer and
// the print data decoder, beside a plain split of the same text into lines.
#include <benchmark/benchmark.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "Comparison.h"
#include "PrintRecords.h"
#include "ReportText.h"
#include "ScratchFolder.h"
#include "datastream/CvTable.h"
#include "datastream/PrintDataDecoder.h"
#include "datastream/RecordLayer.h"
#include "datastream/SpoolFileWriter.h"
#include "platform/Clock.h"

namespace oprinter::bench {
namespace {

constexpr size_t kTextBytes = 20 * 1024 * 1024;

const Report& TheReport() {
    static const Report report = MakeReport(kTextBytes, true);
    return report;
}

const std::vector<std::string>& TheRecords() {
    static const std::vector<std::string> records = PrintRecords(TheReport().text);
    return records;
}

const std::vector<std::string> kAttributes = {
    "Versione=V7R4M0", "Nome=QSYSPRT", "Utente=ROSSI", "Unita=PRT01", "DatiUtente=MONTHLY REPORT", "Stato=WTR",
    "PagineTotali=2", "PagineAttuali=1", "NumeroCopie=1", "Modulo=*STD", "Tipo=", "Priorit\xE0=5",
    "DataCreazione=08/12/26", "OraCreazione=09:15:02", "NumeroFile=3", "NomeLavoro=QPADEV0001", "Numero=123456",
    "Coda=PRT01", "Libreria=QUSRSYS", "ASP=1", "DataUtilizzo=08/12/26", "Dimensione=40"};

// The record layer and the decoder driven as the session module drives them,
// tracing off, attribute retrieval answered at once.
class QuietSession final : public StreamLog {
public:
    explicit QuietSession(const std::string& exeFolder)
        : exeFolder_(exeFolder), records_(*this), decoder_(*this, DefaultClock(), CvTable::FromText(ReportCvTable())) {}

    void ProcessRecord(const std::string& record) {
        const RecordOutcome outcome = records_.Take(record);
        if (outcome.Kind == rkStartupResponse) decoder_.StartupResponse();
        if (outcome.Kind == rkAbort) throw std::runtime_error(outcome.Text);
        if (outcome.Kind != rkPrintRecord) return;
        decoder_.Begin(outcome.PrintData);
        for (TDecoderStop stop; (stop = decoder_.Run()) != dsFinished;) {
            if (stop == dsAttributesWanted) {
                decoder_.SpoolInfo() = kAttributes;
                continue;
            }
            SaveSpoolFile(exeFolder_, decoder_.Document(), DefaultClock());
            decoder_.DocumentSaved();
        }
        sent += RecordLayer::Acknowledgement().size();
    }

    void WriteLog(bool, std::string_view) override { ++logLines; }
    void WriteTrace(int32_t, std::string_view) override {}
    bool TraceOn() const override { return false; }

    size_t sent = 0;
    size_t logLines = 0;

private:
    std::string exeFolder_;
    RecordLayer records_;
    PrintDataDecoder decoder_;
};

void BM_Decoder(benchmark::State& state) {
    const std::vector<std::string>& records = TheRecords();
    ScratchFolder folder;
    QuietSession session(folder.Path());
    std::string recordBuffer;
    for (auto _ : state) {
        for (const std::string& record : records) {
            // As the telnet layer hands it over: a buffer of its own.
            recordBuffer.assign(record);
            session.ProcessRecord(recordBuffer);
        }
        state.PauseTiming();
        if (folder.RemoveFiles("Spool") != 1) state.SkipWithError("the document was not saved as one spool file");
        state.ResumeTiming();
    }
    if (session.sent != records.size() * PrintReply().size() * state.iterations())
        state.SkipWithError("not every record was acknowledged");
    if (session.logLines != 0) state.SkipWithError("the decoder logged a failure");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * TheReport().text.size()));
}

// The same records without the end-of-document mark; a startup response then
// drops the document unsaved. Set beside BM_Decoder, it shows what the save costs.
void BM_DecoderUnsaved(benchmark::State& state) {
    std::vector<std::string> records = TheRecords();
    records.back().pop_back();  // the end-of-document mark
    const std::string startup = StartupResponse();
    ScratchFolder folder;
    QuietSession session(folder.Path());
    std::string recordBuffer;
    for (auto _ : state) {
        for (const std::string& record : records) {
            recordBuffer.assign(record);
            session.ProcessRecord(recordBuffer);
        }
        recordBuffer.assign(startup);
        session.ProcessRecord(recordBuffer);
    }
    if (!folder.Names("Spool").empty()) state.SkipWithError("a spool file was written");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * TheReport().text.size()));
}

// What any reader of the text costs at least: find each line end and keep the line.
void BM_SplitLinesBaseline(benchmark::State& state) {
    const std::string& text = TheReport().text;
    for (auto _ : state) {
        std::vector<std::string> lines;
        size_t start = 0;
        for (;;) {
            const size_t end = text.find("\r\n", start);
            if (end == std::string::npos) {
                lines.emplace_back(text, start);
                break;
            }
            lines.emplace_back(text, start, end - start);
            start = end + 2;
        }
        benchmark::DoNotOptimize(lines.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

BENCHMARK(BM_Decoder)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_DecoderUnsaved)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_SplitLinesBaseline)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

}  // namespace
}  // namespace oprinter::bench

int main(int argc, char** argv) {
    using namespace oprinter::bench;
    Measurements measured;
    if (!RunBenchmarks(argc, argv, measured)) return 1;
    PrintComparison("decoding, 20 MiB report", measured.BytesPerSecond("BM_Decoder") / 1e6,
                    measured.BytesPerSecond("BM_SplitLinesBaseline") / 1e6, "MB/s", {Goal::AtLeast, 0.5});
    PrintComparison("  of which decoding alone (document dropped)", measured.BytesPerSecond("BM_DecoderUnsaved") / 1e6,
                    measured.BytesPerSecond("BM_SplitLinesBaseline") / 1e6, "MB/s");
    return 0;
}
