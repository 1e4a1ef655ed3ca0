// The Special page's long record commands through the table-operations module, on generated
// keyed tables (1,000,000 records unless TABULON_BENCH_RECORDS says otherwise): Update Records
// setting an indexed field on the tenth of the records a filter selects, and Reorganize Table.
#include <benchmark/benchmark.h>

#include <QString>

#include "DataMod.h"
#include "GeneratedTables.h"

using namespace tabulon;
using namespace tabulon::generated;

namespace {

QString qPath(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

void BM_UpdateTenthFiltered(benchmark::State& state, const char* name) {
    TDataMod dataMod;
    const QString filter = QStringLiteral("ID <= %1").arg(recordCount() / 10);
    for (auto _ : state) {
        state.PauseTiming();
        const auto path = makeTable(name, recordCount(), 1, false);
        state.ResumeTiming();
        QString error;
        if (!dataMod.UpdateRecords(qPath(path), QStringLiteral("NAME = Changed"), filter, error))
            state.SkipWithError(error.toStdString().c_str());
    }
}

void BM_Reorganize(benchmark::State& state, const char* name) {
    TDataMod dataMod;
    for (auto _ : state) {
        state.PauseTiming();
        const auto path = makeTable(name, recordCount(), 1, true);
        state.ResumeTiming();
        QString error;
        if (!dataMod.ReorganizeTable(qPath(path), QString(), error)) state.SkipWithError(error.toStdString().c_str());
    }
}

}  // namespace

BENCHMARK_CAPTURE(BM_UpdateTenthFiltered, Paradox, "update.db")->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_UpdateTenthFiltered, Dbase, "update.dbf")->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_Reorganize, Paradox, "reorg.db")->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_Reorganize, Dbase, "reorg.dbf")->Unit(benchmark::kMillisecond)->Iterations(1);
