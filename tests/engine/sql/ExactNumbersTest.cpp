// Currency and BCD values keep their exact values through SQL: sums, averages, comparisons and
// the result fields.
#include <gtest/gtest.h>

#include "SqlFolderFixture.h"

namespace tabulon::testing {
namespace {

class ExactNumbersTest : public SqlFolderFixture {
protected:
    void SetUp() override {
        SqlFolderFixture::SetUp();
        auto table = createTable("PRICES.DB",
                                 {{"ID", ftInteger, 0, 0, false, ""},
                                  {"PRICE", ftBCD, 2, 0, false, ""},
                                  {"COST", ftCurrency, 0, 0, false, ""},
                                  {"BIG", ftBCD, 4, 0, false, ""}},
                                 false);
        for (int id = 1; id <= 10; ++id) {
            table->append({Value::integer(id), Value::bcd(Decimal::parse("0.10")), Value::currency(0.1),
                           Value::bcd(Decimal::parse("1234567890123456.7891"))});
        }
    }
};

TEST_F(ExactNumbersTest, SumsAndAveragesCarryNoBinaryRounding) {
    EXPECT_EQ(rows("SELECT SUM(PRICE), SUM(COST), TOTAL(COST), AVG(PRICE) FROM PRICES"), "1|1|1|0.1\n");
    EXPECT_EQ(rows("SELECT SUM(PRICE) FROM PRICES WHERE ID <= 3"), "0.3\n");
    EXPECT_EQ(rows("SELECT SUM(BIG) FROM PRICES"), "12345678901234567.8910\n");
    EXPECT_EQ(rows("SELECT SUM(ID), SUM(NULL) FROM PRICES"), "55|\n");
    EXPECT_EQ(rows("SELECT SUM(PRICE) OVER (ORDER BY ID ROWS BETWEEN 2 PRECEDING AND CURRENT ROW) FROM PRICES "
                   "ORDER BY ID DESC LIMIT 1"),
              "0.3\n");
}

TEST_F(ExactNumbersTest, ComparisonsAndResultFieldsKeepTheExactValue) {
    EXPECT_EQ(rows("SELECT COUNT(*) FROM PRICES WHERE PRICE = 0.1 AND COST = 0.1"), "10\n");
    EXPECT_EQ(rows("SELECT COUNT(*) FROM PRICES GROUP BY PRICE HAVING SUM(PRICE) = 1"), "10\n");
    Query query(*connection_);
    query.setSql("SELECT PRICE, BIG FROM PRICES WHERE ID = 1");
    query.open();
    EXPECT_EQ(query.fieldDefs()[0].type, ftBCD);
    EXPECT_EQ(query.value(0).asDecimal(), Decimal::parse("0.1"));
    EXPECT_EQ(query.fieldDefs()[1].type, ftBCD);
    EXPECT_EQ(query.value(1).asDecimal(), Decimal::parse("1234567890123456.7891"));
}

TEST_F(ExactNumbersTest, WritesStoreTheExactValue) {
    runWithoutRows("UPDATE PRICES SET BIG = '9999999999999999.9999', PRICE = PRICE + 0.2 WHERE ID = 2");
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
