// Verifying and rebuilding generated keyed tables (1,000,000 records unless
// TABULON_BENCH_RECORDS says otherwise; a primary key and three secondary indexes or tags).
#include <benchmark/benchmark.h>

#include "GeneratedTables.h"
#include "util/TableSalvage.h"
#include "util/TableVerification.h"

using namespace tabulon;
using namespace tabulon::generated;

namespace {

void BM_VerifySoundTable(benchmark::State& state, const char* name) {
    const auto path = makeTable(name, recordCount(), 1, false);
    for (auto _ : state) {
        const VerifyReport report = verifyTable(path);
        if (report.level != verifylevel::kSound) state.SkipWithError("the generated table is not sound");
    }
}

void BM_RebuildTable(benchmark::State& state, const char* name) {
    for (auto _ : state) {
        state.PauseTiming();
        const auto path = makeTable(name, recordCount(), 1, false);
        state.ResumeTiming();
        benchmark::DoNotOptimize(salvageTable(path, {}, std::nullopt, DesktopTrash()));
    }
}

}  // namespace

BENCHMARK_CAPTURE(BM_VerifySoundTable, Paradox, "verify.db")->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_VerifySoundTable, Dbase, "verify.dbf")->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_RebuildTable, Paradox, "rebuild.db")->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_RebuildTable, Dbase, "rebuild.dbf")->Unit(benchmark::kMillisecond)->Iterations(1);
