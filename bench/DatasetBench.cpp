// The dataset layer over 1,000,000-record tables of each format: a keyed Paradox table with a
// secondary index, a dBase table with a production index tag, and a text table. Filtering the
// whole table, counting the filtered view, switching to the secondary index and showing its
// first 50 records, applying 10,000 cached edits, and the memory an open, filtered table takes.
//
// The tables are written once into $TABULON_BENCH_DATA (default: the temporary folder's
// tabulon-dataset-bench) and reused by later runs; a child process writes them, so the
// benchmark process's memory figures start clean.
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "dataset/Connection.h"
#include "dataset/Session.h"
#include "dataset/Table.h"
#include "io/Transaction.h"
#include "storage/Drivers.h"

using namespace tabulon;

namespace {
constexpr std::uint32_t kRecords = 1'000'000;
constexpr int kEdits = 10'000;
constexpr const char* kFilter = "AMOUNT > 500 AND CITY = 'Rome'";
constexpr const char* kCities[] = {"Rome", "Paris", "Oslo", "Milan", "Bern"};

std::filesystem::path dataFolder() {
    const char* chosen = std::getenv("TABULON_BENCH_DATA");
    return chosen ? std::filesystem::path(chosen) : std::filesystem::temp_directory_path() / "tabulon-dataset-bench";
}

std::string nameOf(std::uint32_t i) { return "Name " + std::to_string(i * 7919ULL % kRecords); }

// Record i of every format: 5 cities in turn, amounts spread over 0..999.99.
Record recordOf(std::uint32_t i) {
    return {Value::integer(i + 1),
            Value::string(nameOf(i)),
            Value::string(kCities[i % 5]),
            Value::floating(static_cast<double>(i * 37ULL % 1000) + (i % 100) / 100.0),
            Value::integer(i % 1000),
            Value::date(Date::fromCivil(1950 + static_cast<int>(i % 60), 1 + static_cast<int>(i % 12),
                                        1 + static_cast<int>(i % 28)))};
}

void writeTable(const std::filesystem::path& file, const std::vector<FieldDef>& fields,
                const std::vector<IndexDef>& indexes) {
    auto table = driverForPath(file).create(file, fields, indexes, {});
    Transaction transaction(file.string() + Transaction::kJournalExtension);
    table->setTransaction(&transaction);
    for (std::uint32_t i = 0; i < kRecords; ++i) table->append(recordOf(i));
    transaction.commit();
}

void writeParadox(const std::filesystem::path& file) {
    IndexDef primary{"", "ID", "", "", ixPrimary | ixUnique, "", true, ""};
    IndexDef byName{"ByName", "NAME", "", "", ixCaseInsensitive, "", true, ""};
    writeTable(file,
               {{"ID", ftInteger, 0, 0, false, ""},
                {"NAME", ftString, 30, 0, false, ""},
                {"CITY", ftString, 20, 0, false, ""},
                {"AMOUNT", ftFloat, 0, 0, false, ""},
                {"QTY", ftSmallint, 0, 0, false, ""},
                {"BORN", ftDate, 0, 0, false, ""}},
               {primary, byName});
}

void writeDbase(const std::filesystem::path& file) {
    writeTable(file,
               {{"ID", ftInteger, 9, 0, false, "N"},
                {"NAME", ftString, 30, 0, false, "C"},
                {"CITY", ftString, 20, 0, false, "C"},
                {"AMOUNT", ftFloat, 12, 2, false, "N"},
                {"QTY", ftInteger, 6, 0, false, "N"},
                {"BORN", ftDate, 0, 0, false, "D"}},
               {{"NAME", "NAME", "", "", 0, "", true, ""}});
}

void writeText(const std::filesystem::path& file) {
    std::ofstream out(file);
    out << "ID,NAME,CITY,AMOUNT,QTY\n";
    for (std::uint32_t i = 0; i < kRecords; ++i) {
        const Record r = recordOf(i);
        out << r[0].toText() << ',' << r[1].asString() << ',' << r[2].asString() << ',' << r[3].toText() << ','
            << r[4].toText() << '\n';
    }
}

// Writes each missing table in a child process.
const std::filesystem::path& folder() {
    static const std::filesystem::path path = [] {
        const std::filesystem::path dir = dataFolder();
        std::filesystem::create_directories(dir);
        const std::pair<const char*, void (*)(const std::filesystem::path&)> tables[] = {
            {"BIG.DB", writeParadox}, {"BIG.DBF", writeDbase}, {"BIG.TXT", writeText}};
        for (const auto& [name, write] : tables) {
            if (std::filesystem::exists(dir / name)) continue;
            const pid_t child = ::fork();
            if (child == 0) {
                write(dir / name);
                ::_exit(0);
            }
            int status = 0;
            ::waitpid(child, &status, 0);
            if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::abort();
        }
        return dir;
    }();
    return path;
}

long residentKiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

// A session, a connection and one big table, opened (filtered when asked).
struct OpenBigTable {
    Session session{"Bench"};
    Connection& connection = session.addConnection("Folder");
    std::unique_ptr<Table> table;
    OpenBigTable(const std::string& name, bool filtered, bool cached = false) {
        connection.setParams({"PATH=" + folder().string(), "DEFAULT DRIVER=PARADOX", "ENABLE BCD=FALSE"});
        connection.connect();
        table = std::make_unique<Table>(connection);
        table->setTableName(name);
        table->setCachedUpdates(cached);
        if (filtered) {
            table->setFilter(kFilter);
            table->setFiltered(true);
        }
        table->open();
    }
};

void FilterWholeTable(benchmark::State& state, const std::string& name) {
    OpenBigTable big(name, true);
    std::int64_t shown = 0;
    for (auto _ : state) {
        shown = 0;
        for (big.table->first(); !big.table->eof(); big.table->next()) ++shown;
    }
    state.counters["records_shown"] = static_cast<double>(shown);
}

void FilteredRecordCount(benchmark::State& state, const std::string& name) {
    OpenBigTable big(name, true);
    std::uint64_t count = 0;
    for (auto _ : state) count = big.table->recordCount();
    state.counters["record_count"] = static_cast<double>(count);
}

// From the primary (or record) order to the secondary index, then its first 50 records.
void SecondaryIndexFirst50(benchmark::State& state, const std::string& name, const std::string& index) {
    OpenBigTable big(name, false);
    Record shown;
    for (auto _ : state) {
        state.PauseTiming();
        big.table->setIndexName("");
        state.ResumeTiming();
        big.table->setIndexName(index);
        for (int i = 0; i < 50 && !big.table->eof(); ++i, big.table->next()) shown = big.table->currentValues();
    }
    state.counters["last_shown_id"] = static_cast<double>(shown.at(0).asInt());
}

// Every 100th record gets a new NAME (an indexed field) and QTY; only the apply is timed.
void ApplyTenThousandCachedEdits(benchmark::State& state, const std::string& name) {
    OpenBigTable big(name, false, true);
    std::int64_t round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ++round;
        big.table->first();
        for (int i = 0; i < kEdits; ++i) {
            big.table->edit();
            const std::int64_t id = big.table->fieldByName("ID").value().asInt();
            big.table->fieldByName("NAME").setValue(
                Value::string("Edited " + std::to_string(id) + " " + std::to_string(round)));
            big.table->fieldByName("QTY").setValue(Value::integer(round % 1000));
            big.table->post();
            for (std::uint32_t skip = 0; skip < kRecords / kEdits; ++skip) big.table->next();
        }
        state.ResumeTiming();
        big.table->applyUpdates();
        big.table->commitUpdates();
    }
    state.counters["edits"] = kEdits;
}

void OpenFilteredTableMemory(benchmark::State& state, const std::string& name) {
    folder();
    const long before = residentKiB();
    long above = 0;
    for (auto _ : state) {
        OpenBigTable big(name, true);
        big.table->last();
        benchmark::DoNotOptimize(big.table->recordCount());
        above = residentKiB() - before;
    }
    state.counters["rss_above_baseline_MiB"] = static_cast<double>(above) / 1024.0;
}

void registerAll() {
    // Memory first, before the other benchmarks grow the heap.
    for (const char* table : {"BIG.DB", "BIG.DBF"})
        benchmark::RegisterBenchmark((std::string("OpenFilteredTableMemory/") + table).c_str(), OpenFilteredTableMemory,
                                     std::string(table))
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1);
    for (const char* table : {"BIG.DB", "BIG.DBF", "BIG.TXT"}) {
        benchmark::RegisterBenchmark((std::string("FilterWholeTable/") + table).c_str(), FilterWholeTable,
                                     std::string(table))
            ->Unit(benchmark::kMillisecond)
            ->Iterations(5);
        benchmark::RegisterBenchmark((std::string("FilteredRecordCount/") + table).c_str(), FilteredRecordCount,
                                     std::string(table))
            ->Unit(benchmark::kMillisecond)
            ->Iterations(5);
    }
    for (const auto& [table, index] : {std::pair{"BIG.DB", "ByName"}, std::pair{"BIG.DBF", "NAME"}})
        benchmark::RegisterBenchmark((std::string("SecondaryIndexFirst50/") + table).c_str(), SecondaryIndexFirst50,
                                     std::string(table), std::string(index))
            ->Unit(benchmark::kMillisecond)
            ->Iterations(10);
    for (const char* table : {"BIG.DB", "BIG.DBF"})
        benchmark::RegisterBenchmark((std::string("ApplyTenThousandCachedEdits/") + table).c_str(),
                                     ApplyTenThousandCachedEdits, std::string(table))
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1);
}

const bool registered = (registerAll(), true);
}  // namespace
