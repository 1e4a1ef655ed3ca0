#pragma once
// The operation benchmarks' generated keyed tables (ID primary, NAME, CITY, AMOUNT; indexes on
// NAME and CITY), 1,000,000 records unless TABULON_BENCH_RECORDS says otherwise, in a bench
// folder whose desktop trash is its own.
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "io/Transaction.h"
#include "storage/Drivers.h"

namespace tabulon::generated {

inline std::uint32_t recordCount() {
    const char* text = std::getenv("TABULON_BENCH_RECORDS");
    return text ? static_cast<std::uint32_t>(std::strtoul(text, nullptr, 10)) : 1'000'000;
}

inline std::filesystem::path benchFolder() {
    static const std::filesystem::path folder = [] {
        const auto path = std::filesystem::temp_directory_path() / "tabulon-ops-bench";
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
        ::setenv("XDG_DATA_HOME", (path / "home").c_str(), 1);
        return path;
    }();
    return folder;
}

inline std::vector<FieldDef> benchFields() {
    return {{"ID", ftInteger, 0, 0, true, ""},
            {"NAME", ftString, 30, 0, false, ""},
            {"CITY", ftString, 20, 0, false, ""},
            {"AMOUNT", ftFloat, 0, 0, false, ""}};
}

inline std::vector<IndexDef> benchIndexes(TableType type) {
    std::vector<IndexDef> indexes = {{"BYNAME", "NAME", "", "", 0, "", true, ""},
                                     {"BYCITY", "CITY", "", "", 0, "", true, ""}};
    indexes.insert(indexes.begin(), type == ttParadox ? IndexDef{"", "ID", "", "", ixPrimary | ixUnique, "", true, ""}
                                                      : IndexDef{"ID", "ID", "", "", 0, "", true, ""});
    return indexes;
}

// Generated tables are kept in TABULON_BENCH_DATA (default: the temporary folder's
// tabulon-ops-bench-data), one subfolder per kind and size, so later runs only copy them.
inline std::filesystem::path dataFolder() {
    const char* text = std::getenv("TABULON_BENCH_DATA");
    return text ? std::filesystem::path(text) : std::filesystem::temp_directory_path() / "tabulon-ops-bench-data";
}

// Ids first, first + 1, ... written in one transaction; every tenth record deleted when asked.
inline void generateTable(const std::filesystem::path& path, std::uint32_t count, std::uint32_t first,
                          bool deleteTenth) {
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
inline std::filesystem::path makeTable(const std::string& name, std::uint32_t count, std::uint32_t first,
                                       bool deleteTenth) {
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

}  // namespace tabulon::generated
