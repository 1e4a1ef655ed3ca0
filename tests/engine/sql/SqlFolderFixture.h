#pragma once
// A folder of text tables with a session and a connection to it, for the SQL tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "dataset/Connection.h"
#include "dataset/Session.h"
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

    TempFolder folder_;
    std::unique_ptr<Session> session_;
    Connection* connection_ = nullptr;
};

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
