#pragma once
// A folder with a memory table of people, a named session and a connection to the folder.
#include <gtest/gtest.h>

#include <memory>

#include "dataset/Connection.h"
#include "dataset/Session.h"
#include "dataset/Table.h"
#include "support/MemoryDriver.h"
#include "support/TempFolder.h"

namespace tabulon::testing {

inline std::vector<std::string> folderParams(const std::filesystem::path& folder) {
    return {"PATH=" + folder.string(), "DEFAULT DRIVER=PARADOX", "ENABLE BCD=FALSE"};
}

class DatasetFixture : public ::testing::Test {
protected:
    static const MemoryDriver& memoryDriver() {
        static const MemoryDriver driver;
        return driver;
    }

    void SetUp() override {
        session_ = std::make_unique<Session>("Tests");
        connection_ = &connect(*session_);
        createPeople("PEOPLE.MEM");
    }

    Connection& connect(Session& session) {
        Connection& c = session.addConnection("Folder");
        c.setParams(folderParams(folder_.path()));
        c.connect();
        return c;
    }

    // ID (primary), NAME (required), CITY, AMOUNT, BORN; indexes ID (primary), BYNAME
    // (case-insensitive), BYAMOUNT (descending), BYCITYNAME (CITY;NAME).
    void createPeople(const std::string& name) {
        std::vector<FieldDef> fields = {{"ID", ftInteger, 0, 0, true, "I"},
                                        {"NAME", ftString, 20, 0, true, "A"},
                                        {"CITY", ftString, 20, 0, false, "A"},
                                        {"AMOUNT", ftFloat, 0, 0, false, "N"},
                                        {"BORN", ftDate, 0, 0, false, "D"}};
        std::vector<IndexDef> indexes(4);
        indexes[0] = IndexDef{"", "ID", "", "", ixPrimary | ixUnique, "", true, ""};
        indexes[1] = IndexDef{"BYNAME", "NAME", "", "", ixCaseInsensitive, "", true, ""};
        indexes[2] = IndexDef{"BYAMOUNT", "AMOUNT", "", "", ixDescending, "", true, ""};
        indexes[3] = IndexDef{"BYCITYNAME", "CITY;NAME", "", "", 0, "", true, ""};
        auto table = memoryDriver().create(folder_ / name, fields, indexes, {});
        const auto day = [](int y, int m, int d) { return Value::date(Date::fromCivil(y, m, d)); };
        const std::vector<Record> people = {
            {Value::integer(3), Value::string("smith"), Value::string("Rome"), Value::floating(700), day(1970, 1, 2)},
            {Value::integer(1), Value::string("Adams"), Value::string("Paris"), Value::floating(100), day(1985, 6, 30)},
            {Value::integer(2), Value::string("Brown"), Value::string("Rome"), Value::floating(250.5), Value()},
            {Value::integer(5), Value::string("Smithers"), Value(), Value::floating(900), day(2001, 12, 31)},
            {Value::integer(4), Value::string("Clark"), Value::string("Oslo"), Value(), day(1999, 3, 4)},
        };
        for (const Record& r : people) table->append(r);
    }

    std::unique_ptr<Table> openPeople(Connection& connection, const std::string& index = {}) {
        auto table = std::make_unique<Table>(connection);
        table->setTableName("people.mem");
        table->setDriver(&memoryDriver());
        table->setIndexName(index);
        table->open();
        return table;
    }

    // The ID of every record of the view, first to last.
    static std::vector<std::int64_t> ids(Table& table) {
        std::vector<std::int64_t> result;
        for (table.first(); !table.eof() && !table.isEmpty(); table.next()) {
            result.push_back(table.fieldByName("ID").value().asInt());
            if (result.size() > 1000) break;
        }
        return result;
    }

    TempFolder folder_;
    std::unique_ptr<Session> session_;
    Connection* connection_ = nullptr;
};

}  // namespace tabulon::testing
