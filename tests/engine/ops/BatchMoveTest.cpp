// Batch moves in every mode, with key violations, problems and commit counts, into tables of
// both formats; the side tables' contents; cross-format copies value for value.
#include <gtest/gtest.h>

#include <map>

#include "OpsFixture.h"

using namespace tabulon;
using namespace tabulon::testing;

namespace {

class BatchMoveTest : public OpsFixture, public ::testing::WithParamInterface<std::string> {
protected:
    std::string ext() const { return GetParam(); }

    // A table of records `ids` named "<label><id>".
    std::filesystem::path sourceWith(const std::vector<int>& ids, const std::string& name = "src",
                                     const std::string& label = "src") const {
        std::vector<Record> rows;
        for (int id : ids) rows.push_back({Value::integer(id), Value::string(label + std::to_string(id)), Value()});
        return tableWith(name + ext(), itemFields(), rows, {}, itemIndexes(tableTypeForPath(name + ext())));
    }

    static std::map<std::int64_t, std::string> rowsOf(const std::filesystem::path& path) {
        auto table = openTable(path);
        std::map<std::int64_t, std::string> rows;
        Record record;
        for (std::uint64_t slot = 0; slot < table->slotCount(); ++slot)
            if (table->readSlot(slot, record))
                rows[record[0].convertTo(ValueKind::Integer).asInt()] = record[1].isNull() ? "" : record[1].toText();
        return rows;
    }
};

TEST_P(BatchMoveTest, AppendAddsEveryRecordAndCountsThem) {
    const auto destination = createItems("dst" + ext(), 2);
    const auto result = move(sourceWith({10, 11, 12}), destination, {});
    EXPECT_EQ(result.moved, 3u);
    EXPECT_EQ(result.rejected, 0u);
    EXPECT_EQ(rowsOf(destination).size(), 5u);
    EXPECT_EQ(rowsOf(destination).at(11), "src11");
}

TEST_P(BatchMoveTest, RecordCountLimitsTheMove) {
    const auto destination = createItems("dst" + ext(), 0);
    BatchMoveOptions options;
    options.recordCount = 2;
    EXPECT_EQ(move(sourceWith({1, 2, 3, 4}), destination, options).moved, 2u);
    EXPECT_EQ(rowsOf(destination).size(), 2u);
}

TEST_P(BatchMoveTest, UpdateChangesMatchesOnlyAndKeepsTheOldValues) {
    const auto destination = createItems("dst" + ext(), 3);
    BatchMoveOptions options;
    options.mode = BatchMode::Update;
    options.destinationIndex = ext() == ".DB" ? "" : "ID";
    options.changedTable = "CHANGED";
    const auto result = move(sourceWith({2, 3, 9}), destination, options);
    EXPECT_EQ(result.changed, 2u);
    EXPECT_EQ(rowsOf(destination), (std::map<std::int64_t, std::string>{{1, "item1"}, {2, "src2"}, {3, "src3"}}));
    EXPECT_EQ(rowsOf(data() / "CHANGED.DB"), (std::map<std::int64_t, std::string>{{2, "item2"}, {3, "item3"}}));
}

TEST_P(BatchMoveTest, AppendUpdateAndDeleteMatchOnTheChosenIndex) {
    const auto destination = createItems("dst" + ext(), 3);
    BatchMoveOptions options;
    options.mode = BatchMode::AppendUpdate;
    options.destinationIndex = ext() == ".DB" ? "" : "ID";
    const auto result = move(sourceWith({3, 4}), destination, options);
    EXPECT_EQ(result.moved, 2u);
    EXPECT_EQ(result.changed, 1u);
    EXPECT_EQ(rowsOf(destination),
              (std::map<std::int64_t, std::string>{{1, "item1"}, {2, "item2"}, {3, "src3"}, {4, "src4"}}));
    options.mode = BatchMode::Delete;
    EXPECT_EQ(move(sourceWith({1, 4, 7}, "gone"), destination, options).moved, 2u);
    EXPECT_EQ(rowsOf(destination), (std::map<std::int64_t, std::string>{{2, "item2"}, {3, "src3"}}));
}

TEST_P(BatchMoveTest, AppendUpdateInOneTransactionFindsRecordsAcrossManyBlocks) {
    // Even ids in the destination, every id in the source: each lookup follows a write, so
    // the keyed table's lookups run on blocks the transaction keeps changing.
    std::vector<int> even, every;
    for (int id = 1; id <= 1500; ++id) {
        every.push_back(id);
        if (id % 2 == 0) even.push_back(id);
    }
    const auto destination = sourceWith(even, "dst", "old");
    const auto source = sourceWith(every);
    BatchMoveOptions options;
    options.mode = BatchMode::AppendUpdate;
    options.destinationIndex = ext() == ".DB" ? "" : "ID";
    const auto result = move(source, destination, options);
    EXPECT_EQ(result.moved, 1500u);
    EXPECT_EQ(result.changed, 750u);
    const auto rows = rowsOf(destination);
    ASSERT_EQ(rows.size(), 1500u);
    for (const auto& [id, name] : rows) EXPECT_EQ(name, "src" + std::to_string(id));
}

TEST_P(BatchMoveTest, KeyViolationsGoToTheirTableOrAbortLeavingTheDestination) {
    if (ext() == ".DBF") GTEST_SKIP() << "the dBase table has no unique tag to violate";
    const auto destination = createItems("dst" + ext(), 2);
    const auto source = sourceWith({2, 5});
    BatchMoveOptions options;
    options.abortOnKeyViolation = true;
    EXPECT_THROW(move(source, destination, options), EngineError);
    EXPECT_EQ(rowsOf(destination).size(), 2u);  // one transaction: record 5 went back too
    options.abortOnKeyViolation = false;
    options.keyViolationTable = "KEYVIOL";
    const auto result = move(source, destination, options);
    EXPECT_EQ(result.moved, 1u);
    EXPECT_EQ(result.rejected, 1u);
    EXPECT_EQ(rowsOf(data() / "KEYVIOL.DB"), (std::map<std::int64_t, std::string>{{2, "src2"}}));
}

TEST_P(BatchMoveTest, CommitCountKeepsWhatWasCommittedBeforeAnAbort) {
    if (ext() == ".DBF") GTEST_SKIP() << "the dBase table has no unique tag to violate";
    const auto destination = createItems("dst" + ext(), 0);
    const auto source = sourceWith({1, 2, 3, 4, 5});
    {
        // A record 4 already there makes the fourth record violate the key.
        openWritable(destination)->append({Value::integer(4), Value::string("old"), Value()});
    }
    BatchMoveOptions options;
    options.abortOnKeyViolation = true;
    options.commitCount = 2;
    EXPECT_THROW(move(source, destination, options), EngineError);
    EXPECT_EQ(rowsOf(destination), (std::map<std::int64_t, std::string>{{1, "src1"}, {2, "src2"}, {4, "old"}}));
}

TEST_P(BatchMoveTest, ProblemsGoToTheProblemTableOrAbort) {
    const auto destination = data() / ("narrow" + ext());
    TableDefinitions().create(destination, ttDefault,
                              {{"ID", ftInteger, 0, 0, false, ""}, {"NAME", ftString, 4, 0, false, ""}}, {});
    const auto source = sourceWith({1, 22222});
    BatchMoveOptions options;
    options.abortOnProblem = true;
    {
        auto table = openWritable(source);
        table->update(table->recordIdAt(1), {Value::integer(22222), Value::string("far too long"), Value()});
    }
    EXPECT_THROW(move(source, destination, options), EngineError);
    EXPECT_TRUE(rowsOf(destination).empty());
    options.abortOnProblem = false;
    options.problemTable = "PROBLEMS";
    const auto result = move(source, destination, options);
    EXPECT_EQ(result.moved, 1u);
    EXPECT_EQ(result.rejected, 1u);
    EXPECT_EQ(rowsOf(data() / "PROBLEMS.DB"), (std::map<std::int64_t, std::string>{{22222, "far too long"}}));
}

TEST_P(BatchMoveTest, CopyAcrossFormatsValueForValueAndReplacesTheOldTable) {
    const auto source = sourceWith({1, 2, 3});
    const auto destination = data() / (ext() == ".DB" ? "copy.DBF" : "copy.DB");
    createItems(destination.filename().string(), 7);
    BatchMoveOptions options;
    options.mode = BatchMode::Copy;
    EXPECT_EQ(move(source, destination, options).moved, 3u);
    EXPECT_EQ(rowsOf(destination), rowsOf(source));
    if (ext() == ".DB") expectDbfreadAgrees(destination, {"ID", "NAME", "NOTE"});
    EXPECT_TRUE(namesIn(trashFiles()).count(destination.filename().string()));
}

TEST_F(OpsFixture, CopyOfParadoxNumbersToDbaseKeepsTheirValues) {
    const auto source = tableWith("numbers.DB", {{"AMOUNT", ftFloat, 0, 0, false, "N"}},
                                  {{Value::floating(1.25)}, {Value::floating(-7.5)}, {Value::floating(123456.125)}});
    BatchMoveOptions options;
    options.mode = BatchMode::Copy;
    EXPECT_EQ(move(source, data() / "numbers.DBF", options).moved, 3u);
    std::vector<double> amounts;
    for (const Record& record : recordsOf(data() / "numbers.DBF")) amounts.push_back(record[0].asDouble());
    EXPECT_EQ(amounts, (std::vector<double>{1.25, -7.5, 123456.125}));
    expectDbfreadAgrees(data() / "numbers.DBF", {"AMOUNT"});
}

INSTANTIATE_TEST_SUITE_P(BothFormats, BatchMoveTest, ::testing::Values(".DB", ".DBF"),
                         [](const auto& info) { return info.param == ".DB" ? "Paradox" : "Dbase"; });

}  // namespace
