#pragma once
// A connection to a temporary folder for the inspection pages' tests: memory tables made on
// the spot, or copies of the shared fixture tables.
#include <QStringList>
#include <filesystem>
#include <memory>

#include "dataset/Connection.h"
#include "dataset/Session.h"
#include "dataset/Table.h"
#include "support/MemoryDriver.h"
#include "support/TempFolder.h"

namespace tabulon::testing {

// The titles of the Fields page's columns.
inline const QStringList kFieldsTitles{"Field Name", "Data Type", "Size", "Index", "Value"};

inline const MemoryDriver& inspectMemoryDriver() {
    static const MemoryDriver driver;
    return driver;
}

class InspectFolder {
public:
    InspectFolder() : session_("InspectTests"), connection_(session_.addConnection("Folder")) {
        connection_.setParams({"PATH=" + folder_.path().string(), "DEFAULT DRIVER=PARADOX", "ENABLE BCD=FALSE"});
        connection_.connect();
    }

    void create(const std::string& name, const std::vector<FieldDef>& fields, const std::vector<IndexDef>& indexes,
                const std::vector<Record>& records) {
        auto table = inspectMemoryDriver().create(folder_ / name, fields, indexes, {});
        for (const Record& record : records) table->append(record);
    }

    // Copies the files of the fixture folder `relative` (under the dBase or Paradox fixtures);
    // false when the fixtures are not here.
    bool copyFixtures(const std::string& relative) {
        const std::filesystem::path source = std::filesystem::path(TABULON_FIXTURES) / relative;
        if (!std::filesystem::is_directory(source)) return false;
        for (const auto& entry : std::filesystem::directory_iterator(source)) {
            if (entry.is_regular_file())
                std::filesystem::copy_file(entry.path(), folder_ / entry.path().filename().string());
        }
        return true;
    }

    // Opens a table of the folder: a memory table for a ".MEM" name, else by its extension.
    std::unique_ptr<Table> open(const std::string& name, const std::string& index = {}) {
        auto table = std::make_unique<Table>(connection_);
        table->setTableName(name);
        if (name.ends_with(".MEM")) table->setDriver(&inspectMemoryDriver());
        table->setIndexName(index);
        table->open();
        return table;
    }

    std::filesystem::path operator/(const std::string& name) const { return folder_ / name; }
    QString file(const std::string& name) const { return QString::fromStdString((folder_ / name).string()); }

private:
    TempFolder folder_;
    Session session_;
    Connection& connection_;
};

// ID (primary), NAME, CITY, PAID, BORN; secondary index BYCITYNAME on CITY;NAME.
inline void createPeople(InspectFolder& folder) {
    folder.create("PEOPLE.MEM",
                  {{"ID", ftInteger, 0, 0, true, "I"},
                   {"NAME", ftString, 20, 0, false, "A"},
                   {"CITY", ftString, 12, 0, false, "A"},
                   {"PAID", ftBoolean, 0, 0, false, "L"},
                   {"BORN", ftDate, 0, 0, false, "D"}},
                  {IndexDef{"", "ID", "", "", ixPrimary | ixUnique, "", true, ""},
                   IndexDef{"BYCITYNAME", "CITY;NAME", "", "", 0, "", true, ""}},
                  {{Value::integer(2), Value::string("Brown"), Value::string("Oslo"), Value::boolean(true), Value()},
                   {Value::integer(1), Value::string("Adams"), Value::string("Paris"), Value(), Value()},
                   {Value::integer(3), Value::string("smith"), Value::string("Rome"), Value(), Value()}});
}

}  // namespace tabulon::testing
