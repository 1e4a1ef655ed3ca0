// Local SQL over a generated 1,000,000-record keyed Paradox table: grouping, a primary-key
// lookup, and a full scan next to SQLite scanning the same rows from a native in-memory table.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <filesystem>

#include "core/EngineError.h"
#include "dataset/Connection.h"
#include "dataset/Session.h"
#include "io/Transaction.h"
#include "sql/Query.h"
#include "storage/Drivers.h"

using namespace tabulon;

namespace {
constexpr int kRecords = 1'000'000;
const char* const kCities[] = {"Rome", "Oslo", "Bern", "Lima", "Kyiv", "Riga", "Baku", "Doha"};

Record recordOf(int key) {
    return {Value::integer(key), Value::string(kCities[key % 8]), Value::floating((key % 1000) * 0.5),
            Value::string("Customer " + std::to_string(key))};
}

// Built once per process in a temporary folder.
const std::filesystem::path& benchFolder() {
    static const std::filesystem::path folder = [] {
        const auto folder = std::filesystem::temp_directory_path() / "tabulon-sql-bench";
        const auto table = folder / "SALES.DB";
        if (std::filesystem::exists(table) && openTable(table)->recordCount() == kRecords) return folder;
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        IndexDef primary;
        primary.fields = "ID";
        primary.options = ixPrimary | ixUnique;
        auto created = driverForPath(table).create(table,
                                                   {{"ID", ftInteger, 0, 0, false, ""},
                                                    {"CITY", ftString, 12, 0, false, ""},
                                                    {"AMOUNT", ftFloat, 0, 0, false, ""},
                                                    {"NAME", ftString, 24, 0, false, ""}},
                                                   {primary}, {});
        Transaction transaction(table.string() + Transaction::kJournalExtension);
        created->setTransaction(&transaction);
        for (int key = 1; key <= kRecords; ++key) created->append(recordOf(key));
        transaction.commit();
        return folder;
    }();
    return folder;
}

// One connection for every query, as a window keeps one: its opened tables are reused.
Connection& benchConnection() {
    static Session session("Bench");
    static Connection& connection = []() -> Connection& {
        Connection& made = session.addConnection("Folder");
        made.setParams({"PATH=" + benchFolder().string(), "DEFAULT DRIVER=PARADOX", "ENABLE BCD=FALSE"});
        made.connect();
        return made;
    }();
    return connection;
}

std::uint64_t runQuery(const std::string& sql) {
    Query query(benchConnection());
    query.setSql(sql);
    query.open();
    return query.recordCount();
}

void GroupByCity(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(runQuery("SELECT CITY, COUNT(*), SUM(AMOUNT) FROM SALES GROUP BY CITY"));
}

void PrimaryKeyLookup(benchmark::State& state) {
    int key = 1;
    for (auto _ : state) {
        key = (key * 7919) % kRecords + 1;
        if (runQuery("SELECT * FROM SALES WHERE ID = " + std::to_string(key)) != 1)
            state.SkipWithError("key not found");
    }
}

constexpr const char* kScan = "SELECT COUNT(*), MAX(NAME) FROM SALES WHERE AMOUNT > 100";

void FullScan(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(runQuery(kScan));
}

// The same rows in a native SQLite table in memory: the yardstick of FullScan.
void NativeSqliteFullScan(benchmark::State& state) {
    sqlite3* db = nullptr;
    sqlite3_open(":memory:", &db);
    sqlite3_exec(db, "CREATE TABLE SALES(ID INTEGER PRIMARY KEY, CITY TEXT, AMOUNT REAL, NAME TEXT)", nullptr, nullptr,
                 nullptr);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO SALES VALUES (?, ?, ?, ?)", -1, &insert, nullptr);
    for (int key = 1; key <= kRecords; ++key) {
        const Record record = recordOf(key);
        sqlite3_bind_int64(insert, 1, key);
        sqlite3_bind_text(insert, 2, record[1].asString().c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_double(insert, 3, record[2].asDouble());
        sqlite3_bind_text(insert, 4, record[3].asString().c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    for (auto _ : state) {
        sqlite3_stmt* scan = nullptr;
        sqlite3_prepare_v2(db, kScan, -1, &scan, nullptr);
        while (sqlite3_step(scan) == SQLITE_ROW) benchmark::DoNotOptimize(sqlite3_column_int64(scan, 0));
        sqlite3_finalize(scan);
    }
    sqlite3_close(db);
}

}  // namespace

BENCHMARK(GroupByCity)->Unit(benchmark::kMillisecond);
BENCHMARK(PrimaryKeyLookup)->Unit(benchmark::kMillisecond);
BENCHMARK(FullScan)->Unit(benchmark::kMillisecond);
BENCHMARK(NativeSqliteFullScan)->Unit(benchmark::kMillisecond);
