// Text export and import of 1,000,000 records (10 fields: numbers, strings, a date, a logical)
// in each format: export of the whole table through the dataset layer, CSV and delimited, and
// import of the 1,000,000-line CSV into an empty table. Each reports the process's peak
// resident memory, which stays flat when the work streams (run one benchmark per process with
// --benchmark_filter to read each peak on its own).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include "MillionRecordDbase.h"
#include "dataset/Connection.h"
#include "dataset/Session.h"
#include "dataset/Table.h"
#include "ops/BatchMove.h"
#include "ops/TableDefinitions.h"
#include "ops/TextExport.h"
#include "ops/TextImport.h"

using namespace tabulon;

namespace {

std::filesystem::path folder() { return std::filesystem::temp_directory_path() / "tabulon-text-bench"; }

// big.dbf and big.db with the same million records, made by the first run and kept, so that
// later runs measure the export or import alone.
std::filesystem::path million(TableType type) {
    static const bool made = [] {
        ::setenv("XDG_DATA_HOME", (std::filesystem::temp_directory_path() / "tabulon-text-bench-home").c_str(), 1);
        if (std::filesystem::exists(folder() / "big.db")) return true;
        const auto dbase = writeMillionRecordDbase("tabulon-text-bench");
        BatchMoveOptions copy;
        copy.mode = BatchMode::Copy;
        const TableDefinitions definitions;
        BatchMove(definitions).run(*openTable(dbase), folder() / "big.db", copy);
        return true;
    }();
    (void)made;
    return folder() / (type == ttDBase ? "big.dbf" : "big.db");
}

double peakMegabytes() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

TextExportOptions allFields(TextFormat format) {
    TextExportOptions options;
    options.file.format = format;
    options.file.separator = format == TextFormat::Csv ? "" : ";";
    for (const FieldDef& field : benchFields()) options.fields.push_back(field.name);
    return options;
}

void BM_Export(benchmark::State& state, TableType type, TextFormat format) {
    const auto path = million(type);
    Session session("bench");
    Connection& connection = session.addConnection("Folder");
    connection.setParams(Connection::folderParams(folder().string()));
    connection.connect();
    Table table(connection);
    table.setTableName(path.filename().string());
    table.open();
    for (auto _ : state) benchmark::DoNotOptimize(exportText(table, folder() / "out.txt", allFields(format)));
    state.counters["peak_MB"] = peakMegabytes();
}

void BM_ImportCsv(benchmark::State& state, TableType type) {
    const auto source = million(ttDBase);
    const auto csv = folder() / "million.csv";
    {
        Session session("bench");
        Connection& connection = session.addConnection("Folder");
        connection.setParams(Connection::folderParams(folder().string()));
        connection.connect();
        Table table(connection);
        table.setTableName(source.filename().string());
        table.open();
        exportText(table, csv, allFields(TextFormat::Csv));
    }
    const auto target = folder() / (type == ttDBase ? "into.dbf" : "into.db");
    const std::vector<FieldDef> fields = openTable(million(type))->fields();
    for (auto _ : state) {
        state.PauseTiming();
        TableDefinitions().create(target, ttDefault, fields, {});
        state.ResumeTiming();
        TextImportOptions options;
        options.file.format = TextFormat::Csv;
        const TextImportResult result = TextImport(target).run(csv, options);
        if (result.appended != kRecords || !result.refused.empty()) state.SkipWithError("records were refused");
    }
    state.counters["peak_MB"] = peakMegabytes();
}

}  // namespace

BENCHMARK_CAPTURE(BM_Export, DbaseCsv, ttDBase, TextFormat::Csv)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_Export, DbaseDelimited, ttDBase, TextFormat::Delimited)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(BM_Export, ParadoxCsv, ttParadox, TextFormat::Csv)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_ImportCsv, Dbase, ttDBase)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_ImportCsv, Paradox, ttParadox)->Unit(benchmark::kMillisecond)->Iterations(1);
