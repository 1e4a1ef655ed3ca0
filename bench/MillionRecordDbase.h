#pragma once
// The benchmarks' generated dBase table: 1,000,000 records of 10 fields (127-byte records) with
// one MDX tag on NAME, written through the engine in one transaction (the tag is built at its
// commit). Record i: ID i + 1, NAME "Name <i * 7919 mod 1,000,000>", and so on.
#include <filesystem>

#include "io/Transaction.h"
#include "storage/Drivers.h"

namespace tabulon {

inline constexpr std::uint32_t kRecords = 1'000'000;

inline std::vector<FieldDef> benchFields() {
    return {{"ID", ftInteger, 9, 0, false, "N"},   {"NAME", ftString, 30, 0, false, "C"},
            {"CITY", ftString, 20, 0, false, "C"}, {"AMOUNT", ftFloat, 12, 2, false, "N"},
            {"BORN", ftDate, 0, 0, false, "D"},    {"ACTIVE", ftBoolean, 0, 0, false, "L"},
            {"CODE", ftString, 10, 0, false, "C"}, {"QTY", ftInteger, 6, 0, false, "N"},
            {"RATE", ftFloat, 10, 4, false, "N"},  {"NOTE", ftString, 20, 0, false, "C"}};
}

// Writes big.dbf (and big.MDX) into a fresh `folderName` under the temporary folder; returns
// the table's path.
inline std::filesystem::path writeMillionRecordDbase(const std::string& folderName) {
    const auto folder = std::filesystem::temp_directory_path() / folderName;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const auto file = folder / "big.dbf";
    const IndexDef byName{"NAME", "NAME", "", "", 0, "", true, ""};
    auto table = driverFor(ttDBase).create(file, benchFields(), {byName}, {});
    Transaction transaction(file.string() + Transaction::kJournalExtension);
    table->setTransaction(&transaction);
    for (std::uint32_t i = 0; i < kRecords; ++i)
        table->append({Value::integer(i + 1), Value::string("Name " + std::to_string(i * 7919 % kRecords)),
                       Value::string(i % 3 ? "Lisboa" : "Porto"), Value::floating(i * 1.25),
                       Value::date(Date::fromCivil(1950 + static_cast<int>(i % 60), 1 + static_cast<int>(i % 12),
                                                   1 + static_cast<int>(i % 28))),
                       Value::boolean(i % 2), Value::string("CODE"), Value::integer(i % 1000),
                       Value::floating(i / 1000.0), Value::string("note")});
    transaction.commit();
    return file;
}

}  // namespace tabulon
