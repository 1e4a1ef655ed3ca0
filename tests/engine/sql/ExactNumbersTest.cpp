// Currency and BCD values keep their exact values through SQL: sums, averages, comparisons and
// the result fields.
#include <gtest/gtest.h>

#include "SqlFolderFixture.h"
#include "core/EngineError.h"
#include "sql/Query.h"
#include "storage/Drivers.h"

namespace tabulon::testing {
namespace {

class ExactNumbersTest : public SqlFolderFixture {
protected:
    void SetUp() override {
        SqlFolderFixture::SetUp();
        FieldDef price{"PRICE", ftBCD, 2, 0, false, ""};
        FieldDef cost{"COST", ftCurrency, 0, 0, false, ""};
        FieldDef big{"BIG", ftBCD, 4, 0, false, ""};
        auto table = driverForPath(folder_ / "PRICES.DB")
                         .create(folder_ / "PRICES.DB", {{"ID", ftInteger, 0, 0, false, ""}, price, cost, big}, {}, {});
        for (int id = 1; id <= 10; ++id) {
            table->append({Value::integer(id), Value::bcd(Decimal::parse("0.10")), Value::currency(0.1),
                           Value::bcd(Decimal::parse("1234567890123456.7891"))});
        }
    }

    // The first row's values as the result fields show them.
    std::vector<std::string> row(const std::string& sql) {
        Query query(*connection_);
        query.setSql(sql);
        query.open();
        std::vector<std::string> out;
        for (std::size_t i = 0; i < query.fieldCount(); ++i) out.push_back(query.value(i).toText());
        return out;
    }
};

TEST_F(ExactNumbersTest, SumsAndAveragesCarryNoBinaryRounding) {
    EXPECT_EQ(row("SELECT SUM(PRICE), SUM(COST), TOTAL(COST), AVG(PRICE) FROM PRICES"),
              (std::vector<std::string>{"1", "1", "1", "0.1"}));
    EXPECT_EQ(row("SELECT SUM(PRICE) FROM PRICES WHERE ID <= 3"), std::vector<std::string>{"0.3"});
    EXPECT_EQ(row("SELECT SUM(BIG) FROM PRICES"), std::vector<std::string>{"12345678901234567.8910"});
    EXPECT_EQ(row("SELECT SUM(ID), SUM(NULL) FROM PRICES"), (std::vector<std::string>{"55", ""}));
    EXPECT_EQ(row("SELECT SUM(PRICE) OVER (ORDER BY ID ROWS BETWEEN 2 PRECEDING AND CURRENT ROW) FROM PRICES "
                  "ORDER BY ID DESC LIMIT 1"),
              std::vector<std::string>{"0.3"});
}

TEST_F(ExactNumbersTest, ComparisonsAndResultFieldsKeepTheExactValue) {
    EXPECT_EQ(row("SELECT COUNT(*) FROM PRICES WHERE PRICE = 0.1 AND COST = 0.1"), std::vector<std::string>{"10"});
    EXPECT_EQ(row("SELECT COUNT(*) FROM PRICES GROUP BY PRICE HAVING SUM(PRICE) = 1"), std::vector<std::string>{"10"});
    Query query(*connection_);
    query.setSql("SELECT PRICE, BIG FROM PRICES WHERE ID = 1");
    query.open();
    EXPECT_EQ(query.fieldDefs()[0].type, ftBCD);
    EXPECT_EQ(query.value(0).asDecimal(), Decimal::parse("0.1"));
    EXPECT_EQ(query.fieldDefs()[1].type, ftBCD);
    EXPECT_EQ(query.value(1).asDecimal(), Decimal::parse("1234567890123456.7891"));
}

TEST_F(ExactNumbersTest, WritesStoreTheExactValue) {
    Query query(*connection_);
    query.setSql("UPDATE PRICES SET BIG = '9999999999999999.9999', PRICE = PRICE + 0.2 WHERE ID = 2");
    EXPECT_THROW(query.open(), EngineError);  // no rows: ENoResultSet
    auto table = openTable(folder_ / "PRICES.DB");
    Record record;
    for (std::uint64_t slot = 0; slot < table->slotCount(); ++slot) {
        if (!table->readSlot(slot, record) || record[0].asInt() != 2) continue;
        EXPECT_EQ(record[1].asDecimal(), Decimal::parse("0.3"));
        EXPECT_EQ(record[3].asDecimal(), Decimal::parse("9999999999999999.9999"));
    }
}

}  // namespace
}  // namespace tabulon::testing
