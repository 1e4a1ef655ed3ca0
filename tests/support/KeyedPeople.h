#pragma once
// A small keyed table in either format, written through the engine: ID (primary), NAME, CITY,
// AMOUNT; secondary indexes BYCITY on CITY, BYNAME on NAME (without regard to case in Paradox;
// dBase tags have no such option), BYAMOUNT on AMOUNT descending. The records are stored out of
// key order.
#include <filesystem>
#include <tuple>
#include <vector>

#include "storage/Drivers.h"

namespace tabulon::testing {

inline void createKeyedPeople(const std::filesystem::path& path) {
    const std::vector<FieldDef> fields = {{"ID", ftInteger, 0, 0, false, ""},
                                          {"NAME", ftString, 20, 0, false, ""},
                                          {"CITY", ftString, 20, 0, false, ""},
                                          {"AMOUNT", ftFloat, 0, 0, false, ""}};
    std::vector<IndexDef> indexes(4);
    // A Paradox primary index has no name; a dBase tag needs one.
    indexes[0].name = tableTypeForPath(path) == ttParadox ? "" : "ID";
    indexes[0].fields = "ID";
    indexes[0].options = ixPrimary | ixUnique;
    indexes[1].name = "BYCITY";
    indexes[1].fields = "CITY";
    indexes[2].name = "BYNAME";
    indexes[2].fields = "NAME";
    indexes[2].options = tableTypeForPath(path) == ttParadox ? ixCaseInsensitive : 0;
    indexes[3].name = "BYAMOUNT";
    indexes[3].fields = "AMOUNT";
    indexes[3].options = ixDescending;
    auto table = driverForPath(path).create(path, fields, indexes, {});
    const std::vector<std::tuple<int, const char*, const char*, double>> people = {{3, "Smith", "Rome", 700},
                                                                                   {1, "Adams", "Paris", 100},
                                                                                   {2, "Brown", "Rome", 250.5},
                                                                                   {5, "Smithers", "Oslo", 900},
                                                                                   {4, "Clark", "Lyon", 50}};
    for (const auto& [id, name, city, amount] : people)
        table->append({Value::integer(id), Value::string(name), Value::string(city), Value::floating(amount)});
}

}  // namespace tabulon::testing
