// Table operations on generated keyed tables (1,000,000 records unless TABULON_BENCH_RECORDS
// says otherwise): pack with 10 % deleted, a restructure, regenerating three indexes, a batch
// copy from Paradox to dBase, and append-or-update of a tenth as many keyed records.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

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
    return {{"ID", ftInteger, 0, 0, true, ""},
            {"NAME", ftString, 30, 0, false, ""},
            {"CITY", ftString, 20, 0, false, ""},
            {"AMOUNT", ftFloat, 0, 0, false, ""}};
}

std::vector<IndexDef> benchIndexes(TableType type) {
    std::vector<IndexDef> indexes = {{"BYNAME", "NAME", "", "", 0, "", true, ""},
                                     {"BYCITY", "CITY", "", "", 0, "", true, ""}};
    indexes.insert(indexes.begin(), type == ttParadox ? IndexDef{"", "ID", "", "", ixPrimary | ixUnique, "", true, ""}
                                                      : IndexDef{"ID", "ID", "", "", 0, "", true, ""});
    return indexes;
}

// Generated tables are kept in TABULON_BENCH_DATA (default: the temporary folder's
// tabulon-ops-bench-data), one subfolder per kind and size, so later runs only copy them.
std::filesystem::path dataFolder() {
    const char* text = std::getenv("TABULON_BENCH_DATA");
    return text ? std::filesystem::path(text) : std::filesystem::temp_directory_path() / "tabulon-ops-bench-data";
}

// Ids first, first + 1, ... written in one transaction; every tenth record deleted when asked.
void generateTable(const std::filesystem::path& path, std::uint32_t count, std::uint32_t first, bool deleteTenth) {
    const TableType type = tableTypeForPath(path);
    auto table = driverFor(type).create(path, benchFields(), benchIndexes(type), {});
    Transaction transaction(Transaction::newJournalPath(path.parent_path()));
    table->setTransaction(&transaction);
    for (std::uint32_t i = 0; i < count; ++i)
        table->append({Value::integer(first + i), Value::string("Name " + std::to_string((first + i) * 7919 % 1000003)),
                       Value::string(i % 3 ? "Lisboa" : "Porto"), Value::floating(i * 1.25)});
    transaction.commit();
    table->setTransaction(nullptr);
    if (deleteTenth) {
        Transaction removal(Transaction::newJournalPath(path.parent_path()));
        table->setTransaction(&removal);
        for (std::uint64_t slot = table->slotCount(); slot-- > 0;)
            if (slot % 10 == 0) table->remove(table->recordIdAt(slot));
        removal.commit();
        table->setTransaction(nullptr);
    }
}

// A fresh copy of the table `name` in the bench folder, generated on first use.
std::filesystem::path makeTable(const std::string& name, std::uint32_t count, std::uint32_t first, bool deleteTenth) {
    const auto stored =
        dataFolder() / (name + "-" + std::to_string(count) + "-" + std::to_string(first) + (deleteTenth ? "-d" : ""));
    if (!std::filesystem::exists(stored / "complete")) {
        std::filesystem::remove_all(stored);
        std::filesystem::create_directories(stored);
        generateTable(stored / name, count, first, deleteTenth);
        std::ofstream(stored / "complete") << "";
    }
    const auto path = benchFolder() / name;
    for (const auto& file : std::filesystem::directory_iterator(benchFolder()))
        if (file.path().stem() == path.stem()) std::filesystem::remove(file.path());
    for (const auto& file : std::filesystem::directory_iterator(stored))
        if (file.path().stem() == path.stem())
            std::filesystem::copy_file(file.path(), benchFolder() / file.path().filename());
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
BENCHMARK_CAPTURE(BM_RegenerateThreeIndexes, Paradox, "regen.db")->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_RegenerateThreeIndexes, Dbase, "regen.dbf")->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_BatchCopyParadoxToDbase)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_AppendUpdateTenthIntoTable, Paradox, "target.db")->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_AppendUpdateTenthIntoTable, Dbase, "target.dbf")->Unit(benchmark::kMillisecond)->Iterations(1);
