#pragma once
// A folder of text tables with a session and a connection to it, for the SQL tests, and the
// ways they run statements and make tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/EngineError.h"
#include "dataset/Connection.h"
#include "dataset/Session.h"
#include "sql/Query.h"
#include "storage/Drivers.h"
#include "support/TempFolder.h"

namespace tabulon::testing {

class SqlFolderFixture : public ::testing::Test {
protected:
    void SetUp() override {
        std::ofstream(folder_ / "People.txt") << "ID;NAME;CITY;AMOUNT;BORN\n"
                                                 "1;Ann;Rome;10.5;1990-03-04\n"
                                                 "2;Bob;Oslo;20;1985-12-31\n"
                                                 "3;Cy;Rome;7.25;2001-07-15\n"
                                                 "4;Dee;Bern;;1979-01-02\n";
        std::ofstream(folder_ / "Cities.TXT") << "CITY;COUNTRY\nRome;Italy\nOslo;Norway\nBern;Switzerland\n";
        session_ = std::make_unique<Session>("SqlTests");
        connection_ = &session_->addConnection("Folder");
        connection_->setParams({"PATH=" + folder_.path().string(), "DEFAULT DRIVER=PARADOX", "ENABLE BCD=FALSE"});
    }

    // A connection of `session` to the same folder, for another thread or holder.
    Connection& connectionIn(Session& session) const {
        Connection& connection = session.addConnection("Folder");
        connection.setParams(connection_->params());
        return connection;
    }

    // Makes `name` with `fields` and `records`, keyed on its first field when `keyed`.
    std::unique_ptr<StorageTable> createTable(const std::string& name, const std::vector<FieldDef>& fields, bool keyed,
                                              const std::vector<Record>& records = {}) const {
        std::vector<IndexDef> indexes;
        if (keyed) indexes.push_back(IndexDef{"", fields[0].name, "", "", ixPrimary | ixUnique, "", true, ""});
        auto table = driverForPath(folder_ / name).create(folder_ / name, fields, indexes, {});
        for (const Record& record : records) table->append(record);
        return table;
    }

    // Runs a statement; its error as "kind: message", or "rows".
    std::string outcomeOf(const std::string& sql, Connection* connection = nullptr) {
        Query query(connection ? *connection : *connection_);
        query.setSql(sql);
        try {
            query.open();
        } catch (const EngineError& e) {
            return e.kind() + ": " + e.message();
        }
        return "rows";
    }

    // The kind of the statement's error (ENoResultSet as a statement without rows ends), or "rows".
    std::string execute(const std::string& sql) {
        const std::string outcome = outcomeOf(sql);
        return outcome.substr(0, outcome.find(':'));
    }

    static bool isError(const std::string& outcome, const char* kind) {
        return outcome.starts_with(std::string(kind) + ":");
    }

    // Runs a statement that gives no rows; anything else fails the test.
    void runWithoutRows(const std::string& sql, Connection* connection = nullptr) {
        const std::string outcome = outcomeOf(sql, connection);
        EXPECT_TRUE(isError(outcome, errkind::kNoResultSet)) << sql << ": " << outcome;
    }

    // Every row of the result from the first as display texts joined by "|", each ended by "\n".
    static std::string rowsOf(Query& query) {
        std::string out;
        for (query.first(); !query.eof(); query.next()) {
            for (std::size_t i = 0; i < query.fieldCount(); ++i) out += (i ? "|" : "") + query.value(i).toText();
            out += "\n";
        }
        return out;
    }

    std::string rows(const std::string& sql) {
        Query query(*connection_);
        query.setSql(sql);
        query.open();
        return rowsOf(query);
    }

    TempFolder folder_;
    std::unique_ptr<Session> session_;
    Connection* connection_ = nullptr;
};

// ID and NAME, the fields of the tables the write tests change.
inline const std::vector<FieldDef> kIdName = {{"ID", ftInteger, 0, 0, false, ""}, {"NAME", ftString, 12, 0, false, ""}};

// The records of a table whose first two fields are an id and a name, as "ID:NAME " in id
// order, read through its driver.
inline std::string idNameContents(const std::filesystem::path& table) {
    auto opened = openTable(table);
    std::vector<std::pair<std::int64_t, std::string>> rows;
    Record record;
    for (std::uint64_t slot = 0; slot < opened->slotCount(); ++slot) {
        if (opened->readSlot(slot, record))
            rows.emplace_back(static_cast<std::int64_t>(record[0].asDouble()), record[1].toText());
    }
    std::sort(rows.begin(), rows.end());
    std::string out;
    for (const auto& [id, name] : rows) out += std::to_string(id) + ":" + name + " ";
    return out;
}

}  // namespace tabulon::testing
