// Restructures through create + copy: fields added, dropped, renamed and retyped, indexes
// changed, the result saved under another name; a value that does not convert changes nothing.
#include <gtest/gtest.h>

#include <algorithm>

#include "OpsFixture.h"
#include "core/AsciiCase.h"

using namespace tabulon;
using namespace tabulon::testing;

namespace {

class RestructureTest : public OpsFixture, public ::testing::WithParamInterface<std::string> {
protected:
    std::filesystem::path items(int count) const { return createItems("items" + GetParam(), count); }
    // ID becomes text CODE, NAME becomes TITLE, NOTE goes, a number field arrives.
    Restructure reshaped() const {
        Restructure restructure;
        restructure.fields = {{{"CODE", ftString, 8, 0, false, ""}, "ID"},
                              {{"TITLE", ftString, 12, 0, false, ""}, "name"},
                              {{"PRICE", ftFloat, 0, 0, false, ""}, ""}};
        restructure.indexes = {IndexDef{"BYTITLE", "TITLE", "", "", 0, "", true, ""}};
        // Paradox keeps secondary indexes on keyed tables only.
        if (GetParam() == ".DB")
            restructure.indexes.insert(restructure.indexes.begin(),
                                       IndexDef{"", "CODE", "", "", ixPrimary | ixUnique, "", true, ""});
        return restructure;
    }
};

TEST_P(RestructureTest, FieldsAreRenamedRetypedAddedAndDropped) {
    const auto path = items(9);
    TableDefinitions().restructure(path, reshaped());
    auto table = openTable(path);
    ASSERT_EQ(table->fields().size(), 3u);
    EXPECT_EQ(table->fields()[0].name, "CODE");
    EXPECT_EQ(table->fields()[0].type, ftString);
    EXPECT_EQ(table->recordCount(), 9u);
    auto cursor = table->openIndex("BYTITLE");
    ASSERT_TRUE(cursor->first());
    Record record;
    table->readRecord(cursor->recordId(), record);
    EXPECT_EQ(record[0].asString(), "1");
    EXPECT_EQ(record[1].asString(), "item1");
    EXPECT_TRUE(record[2].isNull());
    table.reset();
    if (GetParam() == ".DBF") expectDbfreadAgrees(path, {"CODE", "TITLE", "PRICE"});
    for (const auto& file : driverForPath(path).familyFiles(path)) {
        const std::string extension = asciiUpper(file.extension().string());
        EXPECT_TRUE(extension != ".MB" && extension != ".DBT") << file << ": no memo field is left";
    }
}

TEST_P(RestructureTest, SaveAsLeavesTheOriginalAsItWas) {
    const auto path = items(4);
    const auto familyBefore = driverForPath(path).familyFiles(path);
    Restructure restructure = reshaped();
    restructure.saveAs = "reshaped";
    TableDefinitions().restructure(path, restructure);
    EXPECT_EQ(openTable(data() / ("reshaped" + GetParam()))->recordCount(), 4u);
    EXPECT_EQ(idsOf(path), (std::set<std::int64_t>{1, 2, 3, 4}));
    EXPECT_EQ(driverForPath(path).familyFiles(path), familyBefore);
    EXPECT_TRUE(namesIn(trashFiles()).empty());
}

TEST_P(RestructureTest, AValueThatDoesNotConvertChangesNothing) {
    const auto path = items(3);
    const auto before = namesIn(data());
    Restructure restructure = currentStructure(path);
    restructure.fields[1].field.type = ftInteger;  // "item1" is no number
    restructure.fields[1].field.size = 0;
    const std::string error = errorOf([&] { TableDefinitions().restructure(path, restructure); });
    EXPECT_TRUE(error.starts_with(errkind::kValue)) << error;
    EXPECT_NE(error.find("NAME", error.find(':')), std::string::npos) << error;
    EXPECT_EQ(namesIn(data()), before);
    EXPECT_EQ(idsOf(path).size(), 3u);
}

TEST_P(RestructureTest, AKeyViolationInTheNewKeyChangesNothing) {
    if (GetParam() != ".DB") GTEST_SKIP() << "a dBase unique tag keeps the first of equal keys";
    const auto path = items(3);
    const auto before = namesIn(data());
    // NAME leads as the key, cut to "item" in every record.
    Restructure restructure = currentStructure(path);
    std::rotate(restructure.fields.begin(), restructure.fields.begin() + 1, restructure.fields.begin() + 2);
    restructure.fields[0].field.size = 4;
    restructure.indexes = {IndexDef{"", "NAME", "", "", ixPrimary | ixUnique, "", true, ""}};
    restructure.emptyLostValues = true;
    EXPECT_THROW(TableDefinitions().restructure(path, restructure), EngineError);
    EXPECT_EQ(namesIn(data()), before);
    EXPECT_EQ(idsOf(path), (std::set<std::int64_t>{1, 2, 3}));
}

TEST_P(RestructureTest, SaveAsIntoAnotherFormatIsRefused) {
    const auto path = items(1);
    Restructure restructure = currentStructure(path);
    restructure.saveAs = GetParam() == ".DB" ? "other.dbf" : "other.db";
    EXPECT_THROW(TableDefinitions().restructure(path, restructure), EngineError);
}

INSTANTIATE_TEST_SUITE_P(BothFormats, RestructureTest, ::testing::Values(".DB", ".DBF"),
                         [](const auto& info) { return info.param == ".DB" ? "Paradox" : "Dbase"; });

}  // namespace
