// Table operations on generated keyed tables (1,000,000 records unless TABULON_BENCH_RECORDS
// says otherwise): pack with 10 % deleted, a restructure, regenerating three indexes, a batch
// copy from Paradox to dBase, the restructure window's save, and append-or-update of a tenth as many keyed records.
#include <benchmark/benchmark.h>

#include "GeneratedTables.h"
#include "ops/BatchMove.h"

using namespace tabulon;
using namespace tabulon::generated;

namespace {

std::unique_ptr<StorageTable> openWritable(const std::filesystem::path& path) {
    OpenOptions options;
    options.access = AccessMode::ReadWrite;
    options.share = ShareMode::Exclusive;
    return openTable(path, options);
}

void BM_PackTenPercentDeleted(benchmark::State& state, const char* name) {
    for (auto _ : state) {
        state.PauseTiming();
        const auto path = makeTable(name, recordCount(), 1, true);
        auto table = openWritable(path);
        state.ResumeTiming();
        table->pack();
    }
}

// A restructure that adds a field: create + copy of the live records, swapped in.
void BM_RestructureAddField(benchmark::State& state, const char* name) {
    for (auto _ : state) {
        state.PauseTiming();
        const auto path = makeTable(name, recordCount(), 1, true);
        Restructure restructure = currentStructure(path);
        restructure.fields.push_back({{"EXTRA", ftInteger, 0, 0, false, ""}, ""});
        state.ResumeTiming();
        TableDefinitions().restructure(path, restructure);
    }
}

// The restructure window's Save: the pass that counts lost values, then the rebuild with ID
// retyped to a float, AMOUNT dropped and a field added; the indexes on ID, NAME and CITY kept.
void BM_SaveRestructured(benchmark::State& state, const char* name) {
    for (auto _ : state) {
        state.PauseTiming();
        const auto path = makeTable(name, recordCount(), 1, true);
        Restructure restructure = currentStructure(path);
        restructure.fields[0].field = {"ID", ftFloat, 0, 0, true, ""};
        restructure.fields.pop_back();
        restructure.fields.push_back({{"EXTRA", ftInteger, 0, 0, false, ""}, ""});
        restructure.emptyLostValues = true;
        state.ResumeTiming();
        benchmark::DoNotOptimize(lostValues(path, restructure));
        TableDefinitions().restructure(path, restructure);
    }
}

void BM_RegenerateThreeIndexes(benchmark::State& state, const char* name) {
    const auto path = makeTable(name, recordCount(), 1, false);
    auto table = openWritable(path);
    for (auto _ : state) table->regenerateIndexes();
}

void BM_BatchCopyParadoxToDbase(benchmark::State& state) {
    const auto source = makeTable("copysrc.db", recordCount(), 1, false);
    auto table = openTable(source);
    const TableDefinitions definitions;
    BatchMoveOptions options;
    options.mode = BatchMode::Copy;
    for (auto _ : state) BatchMove(definitions).run(*table, benchFolder() / "copy.dbf", options);
}

void BM_AppendUpdateTenthIntoTable(benchmark::State& state, const char* targetName) {
    // Half of the keyed records match existing ones, half are new.
    const std::uint32_t count = recordCount();
    const auto source = makeTable("changes.db", count / 10, count - count / 20, false);
    const TableDefinitions definitions;
    BatchMoveOptions options;
    options.mode = BatchMode::AppendUpdate;
    for (auto _ : state) {
        state.PauseTiming();
        const auto target = makeTable(targetName, count, 1, false);
        auto table = openTable(source);
        state.ResumeTiming();
        BatchMove(definitions).run(*table, target, options);
    }
}

}  // namespace

BENCHMARK_CAPTURE(BM_PackTenPercentDeleted, Paradox, "pack.db")->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_PackTenPercentDeleted, Dbase, "pack.dbf")->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_RestructureAddField, Paradox, "pack.db")->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_RestructureAddField, Dbase, "pack.dbf")->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_SaveRestructured, Paradox, "pack.db")->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_SaveRestructured, Dbase, "pack.dbf")->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_RegenerateThreeIndexes, Paradox, "regen.db")->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_RegenerateThreeIndexes, Dbase, "regen.dbf")->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_BatchCopyParadoxToDbase)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_AppendUpdateTenthIntoTable, Paradox, "target.db")->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_AppendUpdateTenthIntoTable, Dbase, "target.dbf")->Unit(benchmark::kMillisecond)->Iterations(1);
