#pragma once
// Tables on disk for the grid's and the browser's tests: a dBase table of people written
// through the engine, read back through a second session, and the family's bytes.
#include <QStringList>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "dataset/Connection.h"
#include "dataset/Session.h"
#include "dataset/Table.h"
#include "storage/Drivers.h"

namespace tabulon::testing {

// NAME (C 12), AGE (N 3) and NOTES (memo); record i is "P<i>" aged 20 + i.
inline void createPeople(const std::filesystem::path& file, int count) {
    const std::vector<FieldDef> fields = {{"NAME", ftString, 12, 0, false, "C"},
                                          {"AGE", ftInteger, 3, 0, false, "N"},
                                          {"NOTES", ftMemo, 0, 0, false, "M"}};
    auto table = driverFor(ttDBase).create(file, fields, {}, {});
    for (int i = 0; i < count; ++i) {
        table->append({Value::string("P" + std::to_string(i)), Value::integer(20 + i), Value()});
    }
}

// A column of `file` as text, read through a session of its own, in record order.
inline QStringList columnOnDisk(const std::filesystem::path& file, const std::string& field) {
    Session session("Checker");
    Connection& connection = session.addConnection("Check");
    connection.setParams({"PATH=" + file.parent_path().string(), "DEFAULT DRIVER=PARADOX", "ENABLE BCD=FALSE"});
    connection.connect();
    Table table(connection);
    table.setTableName(file.filename().string());
    table.open();
    QStringList names;
    for (table.first(); !table.eof(); table.next()) {
        names << QString::fromStdString(table.fieldByName(field).asText());
    }
    return names;
}

inline QStringList namesOnDisk(const std::filesystem::path& file) { return columnOnDisk(file, "NAME"); }

// Every byte of every file in `folder`, by file name, to show that nothing was written.
inline std::string folderBytes(const std::filesystem::path& folder) {
    std::string all;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
        std::ifstream in(file, std::ios::binary);
        all += file.filename().string() + ":" + std::string(std::istreambuf_iterator<char>(in), {}) + "\n";
    }
    return all;
}

}  // namespace tabulon::testing
