// Table operations on generated keyed tables (1,000,000 records unless TABULON_BENCH_RECORDS
// says otherwise): pack with 10 % deleted, regenerating three indexes, a batch copy from Paradox
// to dBase, and append-or-update of a tenth as many keyed records.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

#include "io/Transaction.h"
#include "ops/BatchMove.h"
#include "storage/Drivers.h"

using namespace tabulon;

namespace {

std::uint32_t recordCount() {
    const char* text = std::getenv("TABULON_BENCH_RECORDS");
    return text ? static_cast<std::uint32_t>(std::strtoul(text, nullptr, 10)) : 1'000'000;
}

std::filesystem::path benchFolder() {
    static const std::filesystem::path folder = [] {
        const auto path = std::filesystem::temp_directory_path() / "tabulon-ops-bench";
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
        ::setenv("XDG_DATA_HOME", (path / "home").c_str(), 1);
        return path;
    }();
    return folder;
}

std::vector<FieldDef> benchFields() {
    return {{"ID", ftInteger, 0, 0, true, ""}, {"NAME", ftString, 30, 0, false, ""}, {"CITY", ftString, 20, 0, false, ""},
            {"AMOUNT", ftFloat, 0, 0, false, ""}};
}

std::vector<IndexDef> benchIndexes(TableType type) {
    std::vector<IndexDef> indexes = {{"BYNAME", "NAME", "", "", 0, "", true, ""}, {"BYCITY", "CITY", "", "", 0, "", true, ""}};
    indexes.insert(indexes.begin(), type == ttParadox ? IndexDef{"", "ID", "", "", ixPrimary | ixUnique, "", true, ""}
                                                      : IndexDef{"ID", "ID", "", "", 0, "", true, ""});
    return indexes;
}

// Ids first, first + step, ... in one transaction; every tenth record deleted when asked.
std::filesystem::path makeTable(const std::string& name, std::uint32_t count, std::uint32_t first, bool deleteTenth) {
    const auto path = benchFolder() / name;
    for (const auto& file : std::filesystem::directory_iterator(benchFolder()))
        if (file.path().stem() == path.stem()) std::filesystem::remove(file.path());
    const TableType type = tableTypeForPath(path);
    auto table = driverFor(type).create(path, benchFields(), benchIndexes(type), {});
    Transaction transaction(Transaction::newJournalPath(benchFolder()));
    table->setTransaction(&transaction);
    for (std::uint32_t i = 0; i < count; ++i)
        table->append({Value::integer(first + i), Value::string("Name " + std::to_string((first + i) * 7919 % 1000003)),
                       Value::string(i % 3 ? "Lisboa" : "Porto"), Value::floating(i * 1.25)});
    transaction.commit();
    table->setTransaction(nullptr);
    if (deleteTenth) {
        Transaction removal(Transaction::newJournalPath(benchFolder()));
        table->setTransaction(&removal);
        for (std::uint64_t slot = table->slotCount(); slot-- > 0;)
            if (slot % 10 == 0) table->remove(table->recordIdAt(slot));
        removal.commit();
        table->setTransaction(nullptr);
    }
    return path;
}

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

void BM_AppendUpdateTenthIntoTable(benchmark::State& state) {
    // Half of the keyed records match existing ones, half are new.
    const std::uint32_t count = recordCount();
    const auto source = makeTable("changes.db", count / 10, count - count / 20, false);
    const TableDefinitions definitions;
    BatchMoveOptions options;
    options.mode = BatchMode::AppendUpdate;
    for (auto _ : state) {
        state.PauseTiming();
        const auto target = makeTable("target.db", count, 1, false);
        auto table = openTable(source);
        state.ResumeTiming();
        BatchMove(definitions).run(*table, target, options);
    }
}

}  // namespace

BENCHMARK_CAPTURE(BM_PackTenPercentDeleted, Paradox, "pack.db")->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_PackTenPercentDeleted, Dbase, "pack.dbf")->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_RegenerateThreeIndexes, Paradox, "regen.db")->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_RegenerateThreeIndexes, Dbase, "regen.dbf")->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_BatchCopyParadoxToDbase)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_AppendUpdateTenthIntoTable)->Unit(benchmark::kMillisecond)->Iterations(1);
