// Writes: thousands of random inserts, key changes and deletes on a keyed table with blobs and
// two secondary indexes, checked against an in-memory model after every batch; and what the
// format's writer adds to the rules every driver keeps (levels, auto-increment, unique
// secondary indexes).
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "ParadoxFamilyCheck.h"
#include "ParadoxFixtures.h"
#include "core/AsciiCase.h"
#include "core/EngineError.h"
#include "io/Transaction.h"

using namespace tabulon;
using namespace tabulon::testing;

namespace {
struct Row {
    std::string name;
    double amount = 0;
    std::string note;
    bool flag = false;
};

std::vector<FieldDef> modelFields() {
    return {{"Id", ftInteger, 0, 0, false, ""},
            {"Name", ftString, 12, 0, false, ""},
            {"Amount", ftFloat, 0, 0, false, ""},
            {"Note", ftMemo, 12, 0, false, ""},
            {"Flag", ftBoolean, 0, 0, false, ""}};
}

std::vector<IndexDef> modelIndexes() {
    IndexDef primary{.fields = "Id", .options = ixPrimary | ixUnique};
    IndexDef byName{.name = "ByName", .fields = "Name", .options = ixCaseInsensitive};
    IndexDef amount{.name = "Amount", .fields = "Amount"};
    return {primary, byName, amount};
}

Record recordOf(int id, const Row& row) {
    return {Value::integer(id), Value::string(row.name), Value::floating(row.amount),
            row.note.empty() ? Value() : Value::string(row.note), Value::boolean(row.flag)};
}

class Model {
public:
    explicit Model(unsigned seed) : random_(seed) {}

    Row randomRow() {
        static const char* names[] = {"alpha", "Beta", "GAMMA", "delta", "Alpha", "epsilon", "Zeta", "eta", "theta"};
        Row row;
        row.name = std::string(names[pick(9)]) + std::to_string(pick(30));
        row.amount = static_cast<double>(pick(2000)) / 4 - 100;
        const int noteKind = pick(4);
        if (noteKind == 1) row.note = "short";                              // inline
        if (noteKind == 2) row.note = std::string(40 + pick(500), 'n');     // suballocated
        if (noteKind == 3) row.note = std::string(2100 + pick(3000), 'N');  // a block of its own
        row.flag = pick(2) == 1;
        return row;
    }
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
    int existingKey() {
        auto it = rows.begin();
        std::advance(it, pick(static_cast<int>(rows.size())));
        return it->first;
    }

    std::map<int, Row> rows;

private:
    std::mt19937 random_;
};

RecordId idOfKey(StorageTable& table, int key) {
    auto cursor = table.openIndex("");
    EXPECT_TRUE(cursor->seek({Value::integer(key)}, false));
    EXPECT_EQ(cursor->key()[0].asInt(), key);
    return cursor->recordId();
}

void expectModel(StorageTable& table, const Model& model) {
    ASSERT_EQ(table.recordCount(), model.rows.size());
    auto cursor = table.openIndex("");
    auto it = model.rows.begin();
    Record r;
    for (bool more = cursor->first(); more; more = cursor->next(), ++it) {
        table.readRecord(cursor->recordId(), r);
        ASSERT_EQ(joinValues(r, 5), joinValues(recordOf(it->first, it->second), 5));
    }
    // Secondary orders: names without regard to case, then amounts; ties in key order.
    std::vector<std::pair<std::string, int>> byName;
    std::vector<std::pair<double, int>> byAmount;
    for (const auto& [id, row] : model.rows) {
        byName.emplace_back(asciiUpper(row.name), id);
        byAmount.emplace_back(row.amount, id);
    }
    std::sort(byName.begin(), byName.end());
    std::sort(byAmount.begin(), byAmount.end());
    auto names = table.openIndex("ByName");
    std::size_t i = 0;
    for (bool more = names->first(); more; more = names->next(), ++i) {
        table.readRecord(names->recordId(), r);
        ASSERT_EQ(r[0].asInt(), byName[i].second);
    }
    EXPECT_EQ(i, byName.size());
    auto amounts = table.openIndex("Amount");
    i = 0;
    for (bool more = amounts->first(); more; more = amounts->next(), ++i) {
        table.readRecord(amounts->recordId(), r);
        ASSERT_EQ(r[0].asInt(), byAmount[i].second);
    }
}
}  // namespace

TEST(ParadoxWrites, RandomChangesAgreeWithAModelAndKeepTheFamilyConsistent) {
    TempFolder folder;
    const auto path = folder / "MODEL.DB";
    auto table = driverForPath(path).create(path, modelFields(), modelIndexes(), {.version = "5"});
    Model model(20240607);
    const int batches = longTests() ? 120 : 40;
    int keyViolations = 0;
    for (int batch = 0; batch < batches; ++batch) {
        Transaction transaction(path.string() + Transaction::kJournalExtension);
        table->setTransaction(&transaction);
        for (int op = 0; op < 60; ++op) {
            const int kind = model.rows.size() < 50 ? 0 : model.pick(10);
            if (kind < 5) {  // insert
                const int key = model.pick(20000);
                const Row row = model.randomRow();
                if (model.rows.count(key)) {
                    EXPECT_THROW(table->append(recordOf(key, row)), EngineError);
                    ++keyViolations;
                    continue;
                }
                table->append(recordOf(key, row));
                model.rows[key] = row;
            } else if (kind < 8) {  // update, changing the key half of the time
                const int key = model.existingKey();
                const int newKey = model.pick(2) ? key : model.pick(20000);
                const Row row = model.randomRow();
                const RecordId id = idOfKey(*table, key);
                if (newKey != key && model.rows.count(newKey)) {
                    EXPECT_THROW(table->update(id, recordOf(newKey, row)), EngineError);
                    ++keyViolations;
                    continue;
                }
                table->update(id, recordOf(newKey, row));
                model.rows.erase(key);
                model.rows[newKey] = row;
            } else {  // delete
                const int key = model.existingKey();
                table->remove(idOfKey(*table, key));
                model.rows.erase(key);
            }
        }
        expectModel(*table, model);  // before the commit: indexes built in memory
        transaction.commit();
        table->setTransaction(nullptr);
        expectModel(*table, model);  // after: the files themselves
        if (batch % 10 == 9) expectConsistentFamily(path);
        if (HasFatalFailure()) return;
    }
    EXPECT_GT(keyViolations, 0);

    // Deleting most records merges the blocks they leave less than half full.
    {
        Transaction transaction(path.string() + Transaction::kJournalExtension);
        table->setTransaction(&transaction);
        while (model.rows.size() > 40) {
            const int key = model.existingKey();
            table->remove(idOfKey(*table, key));
            model.rows.erase(key);
        }
        transaction.commit();
        table->setTransaction(nullptr);
    }
    expectModel(*table, model);
    {
        paradox::ProblemLog problems(false);
        const paradox::ParadoxDataFile data(PagedFile::open(path, AccessMode::ReadOnly), problems);
        const auto full = (model.rows.size() + static_cast<std::size_t>(data.recordsPerBlock()) - 1) /
                          static_cast<std::size_t>(data.recordsPerBlock());
        EXPECT_LE(data.blocks().size(), 2 * full + 1);
    }

    // Rewriting every memo twice: the second round takes the space the first one freed.
    auto rewriteNotes = [&](char fill) {
        Transaction transaction(path.string() + Transaction::kJournalExtension);
        table->setTransaction(&transaction);
        for (auto& [key, row] : model.rows) {
            row.note = std::string(3000, fill);
            table->update(idOfKey(*table, key), recordOf(key, row));
        }
        transaction.commit();
        table->setTransaction(nullptr);
        return std::filesystem::file_size(folder / "MODEL.MB");
    };
    const auto firstRound = rewriteNotes('x');
    EXPECT_LE(rewriteNotes('y'), firstRound + 4096);
    expectModel(*table, model);

    table.reset();
    expectConsistentFamily(path);
    const auto reopened = openTable(path);
    expectModel(*reopened, model);
}

TEST(ParadoxWrites, AutoIncrementHandsOutTheNextNumber) {
    TempFolder folder;
    const auto path = folder / "AUTO.DB";
    IndexDef primary{.fields = "Id", .options = ixPrimary | ixUnique};
    auto table = driverForPath(path).create(
        path, {{"Id", ftAutoInc, 0, 0, false, ""}, {"Name", ftString, 10, 0, false, ""}}, {primary}, {});
    for (const char* name : {"a", "b", "c"}) table->append({Value(), Value::string(name)});
    auto cursor = table->openIndex("");
    ASSERT_TRUE(cursor->last());
    EXPECT_EQ(cursor->key()[0].asInt(), 3);
    table->remove(cursor->recordId());
    table->append({Value(), Value::string("d")});
    cursor = table->openIndex("");
    ASSERT_TRUE(cursor->last());
    EXPECT_EQ(cursor->key()[0].asInt(), 4);  // numbers are not handed out twice
    EXPECT_EQ(table->facts().version, "5");
    expectConsistentFamily(path);
}

TEST(ParadoxWrites, TheLevelIsTheLowestThatHoldsTheTableAndItsBlocks) {
    TempFolder folder;
    IndexDef descending{.name = "Down", .fields = "A", .options = ixDescending};
    IndexDef primary{.fields = "K", .options = ixPrimary};
    const std::vector<FieldDef> level4 = {{"K", ftString, 5, 0, false, ""}, {"A", ftFloat, 0, 0, false, ""}};
    const std::vector<FieldDef> level5 = {{"K", ftString, 5, 0, false, ""}, {"A", ftInteger, 0, 0, false, ""}};
    const struct {
        const char* name;
        std::vector<FieldDef> fields;
        std::vector<IndexDef> indexes;
        std::uint32_t blockSize;  // asked
        const char* level;
        std::uint32_t blocks;  // made
    } cases[] = {
        {"L4.DB", level4, {}, 0, "4", 2048},
        {"L4M.DB", {{"K", ftString, 5, 0, false, ""}, {"A", ftMemo, 20, 0, false, ""}}, {}, 0, "4", 2048},
        {"L4B.DB", level4, {}, 3 * 1024, "4", 3 * 1024},
        {"L5.DB", level5, {}, 0, "5", 4096},
        {"L5B.DB", level4, {}, 16 * 1024, "5", 16 * 1024},  // larger blocks than level 4 has
        {"L7.DB", level4, {primary, descending}, 0, "7", 4096},
        {"L7B.DB", level4, {primary, descending}, 1024, "7", 1024},
        {"L5C.DB", level4, {}, 5 * 1024, "5", 8 * 1024},  // at least an odd size
    };
    for (const auto& c : cases) {
        const auto table =
            driverForPath(folder / c.name)
                .create(folder / c.name, c.fields, c.indexes, {.versionAtLeast = true, .blockSize = c.blockSize});
        EXPECT_EQ(table->facts().version, c.level) << c.name;
        EXPECT_EQ(table->facts().blockSize, c.blocks) << c.name;
    }
    const auto expectRefused = [&](const std::vector<FieldDef>& fields, const CreateOptions& options,
                                   const std::string& why) {
        std::string refusal = "not refused";
        try {
            driverForPath(folder / "X.DB").create(folder / "X.DB", fields, {}, options);
        } catch (const EngineError& e) {
            refusal = e.kind() + ": " + e.message();
        }
        EXPECT_EQ(refusal.rfind(errkind::kValue, 0), 0U) << refusal;
        EXPECT_NE(refusal.find(why), std::string::npos) << refusal;
    };
    expectRefused(level5, {.version = "4"}, "need Paradox level 5");
    expectRefused(level4, {.version = "4", .blockSize = 8192}, "not 8 KiB");
    expectRefused(level4, {.blockSize = 5000}, "not 5000 bytes");
    std::vector<FieldDef> wide;  // 1020 bytes: a 1 KiB block holds 1018
    for (const char* name : {"A", "B", "C", "D"}) wide.push_back({name, ftString, 255, 0, false, ""});
    expectRefused(wide, {.blockSize = 1024}, "does not fit");
    IndexDef notLeading{.fields = "A", .options = ixPrimary};
    EXPECT_THROW(driverForPath(folder / "Y.DB").create(folder / "Y.DB", level4, {notLeading}, {}), EngineError);
}

TEST(ParadoxWrites, UnkeyedTablesKeepInsertionOrderEmptyAndPack) {
    TempFolder folder;
    const auto path = folder / "PLAIN.DB";
    auto table = driverForPath(path).create(
        path, {{"N", ftInteger, 0, 0, false, ""}, {"Blob", ftBlob, 0, 0, false, ""}}, {}, {});
    Transaction transaction(path.string() + Transaction::kJournalExtension);
    table->setTransaction(&transaction);
    for (int i = 0; i < 1000; ++i)
        table->append(
            {Value::integer(i), i % 3 ? Value() : Value::bytes(Bytes(static_cast<std::size_t>(i % 100 + 1), 7))});
    Record r;
    for (int i = 0; i < 1000; i += 2) table->remove(table->recordIdAt(static_cast<std::uint64_t>(i / 2)));
    transaction.commit();
    table->setTransaction(nullptr);
    ASSERT_EQ(table->recordCount(), 500u);
    for (std::uint64_t slot = 0; slot < 500; ++slot) {
        table->readSlot(slot, r);
        ASSERT_EQ(r[0].asInt(), static_cast<std::int64_t>(slot * 2 + 1));
        if ((slot * 2 + 1) % 3 == 0) {
            ASSERT_EQ(r[1].asBytes().size(), (slot * 2 + 1) % 100 + 1);
        }
    }
    table->pack();
    ASSERT_EQ(table->recordCount(), 500u);
    table->readSlot(499, r);
    EXPECT_EQ(r[0].asInt(), 999);
    expectConsistentFamily(path);
    table->empty();
    EXPECT_EQ(table->recordCount(), 0u);
    table.reset();
    EXPECT_EQ(openTable(path)->recordCount(), 0u);
    expectConsistentFamily(path);
}

TEST(ParadoxWrites, UnkeyedTablesWriteTheirSecondaryIndexes) {
    using namespace tabulon::paradox;
    TempFolder folder;
    const auto path = folder / "LOOSE.DB";
    IndexDef byName{.name = "ByName", .fields = "Name", .options = ixCaseInsensitive};
    auto table = driverForPath(path).create(
        path, {{"N", ftInteger, 0, 0, false, ""}, {"Name", ftString, 8, 0, false, ""}}, {byName}, {});
    {
        Transaction transaction(path.string() + Transaction::kJournalExtension);
        table->setTransaction(&transaction);
        for (int i = 0; i < 600; ++i)
            table->append({Value::integer(i), Value::string("n" + std::to_string((i * 37) % 600))});
        for (int i = 0; i < 100; ++i) table->remove(table->recordIdAt(static_cast<std::uint64_t>(i * 3)));
        transaction.commit();
        table->setTransaction(nullptr);
    }
    table.reset();

    // One entry per record, in name order: the upper-cased name, then the record's position
    // along the chain, its block and its offset in the block.
    ProblemLog problems(false);
    const ParadoxDataFile data(PagedFile::open(path, AccessMode::ReadOnly), problems);
    const ParadoxDataFile x(PagedFile::open(folder / "LOOSE.XG0", AccessMode::ReadOnly), problems);
    EXPECT_EQ(x.header().kind, FileKind::CompositeStatic);
    EXPECT_EQ(x.header().keyFieldCount, 3);
    ASSERT_EQ(x.recordCount(), data.recordCount());
    const TextCodec codec("CP1252");
    const auto& xf = x.header().fields;
    std::string previous;
    std::vector<std::uint8_t> entry(static_cast<std::size_t>(x.header().recordSize));
    std::uint64_t seen = 0;
    const auto reopened = openTable(path);
    for (const auto& block : x.blocks())
        for (int r = 0; r < block.records; ++r, ++seen) {
            x.readRecord(block.number, r, entry.data());
            auto value = [&](std::size_t f) {
                return ParadoxValueCodec::decode(entry.data() + xf[f].offset, xf[f], codec);
            };
            const std::string name = value(0).asString();
            EXPECT_LE(previous, name);
            previous = name;
            const auto position = static_cast<std::uint64_t>(value(1).asInt());
            const auto at = data.locate(position);
            EXPECT_EQ(value(2).asInt(), data.blocks()[at.chainIndex].number);
            EXPECT_EQ(value(3).asInt(), at.record * data.header().recordSize);
            Record record;
            reopened->readSlot(position, record);
            EXPECT_EQ(record[1].asString(), "n" + name.substr(1));
        }
    EXPECT_EQ(seen, data.recordCount());
    const auto tree = ParadoxIndexTree::read(PagedFile::open(folder / "LOOSE.YG0", AccessMode::ReadOnly));
    EXPECT_EQ(tree.disagreement(x), "");
}

TEST(ParadoxWrites, WritesToARealFamilyKeepItsIndexesRight) {
    SKIP_WITHOUT_PARADOX_FIXTURES();
    TempFolder folder;
    const auto path = copyParadoxFamily("paradoxdriver/db/AREACODES.DB", folder);
    {
        auto table = openTable(path, {AccessMode::ReadWrite});
        table->append({Value::string("000"), Value::string("zz"), Value::string("Nowhere")});
        auto cursor = table->openIndex("");
        ASSERT_TRUE(cursor->seek({Value::string("989")}, false));
        table->remove(cursor->recordId());
        cursor = table->openIndex("");
        ASSERT_TRUE(cursor->seek({Value::string("201")}, false));
        table->update(cursor->recordId(), {Value::string("201"), Value::string("nj"), Value::string("Hackensack")});
    }
    expectConsistentFamily(path);
    const auto table = openTable(path);
    EXPECT_EQ(table->recordCount(), 370u);
    auto ste = table->openIndex("ste");
    ASSERT_TRUE(ste->seek({Value::string("ZZ")}, false));
    EXPECT_EQ(ste->key()[0].asString(), "ZZ");  // the case-insensitive index stores upper case
}

TEST(ParadoxDriverFields, NearestFieldsForOtherFormats) {
    const auto& driver = driverForPath("X.DB");
    const struct {
        FieldDef source;
        FieldType type;
        int size;
        const char* letter;
    } cases[] = {
        {{"S", ftString, 40, 0, false, "C"}, ftString, 40, "A"},
        {{"L", ftString, 1000, 0, false, "C"}, ftMemo, 10, "M"},
        {{"W", ftWord, 0, 0, false, ""}, ftInteger, 0, "I"},
        {{"N", ftFloat, 12, 3, false, "N"}, ftFloat, 0, "N"},
        {{"B", ftBCD, 4, 0, false, ""}, ftBCD, 4, "#"},
        {{"M", ftMemo, 0, 0, false, "M"}, ftMemo, 1, "M"},
        {{"O", ftDBaseOle, 0, 0, false, "G"}, ftBlob, 0, "B"},
        {{"V", ftVarBytes, 20, 0, false, ""}, ftBytes, 20, "Y"},
    };
    for (const auto& c : cases) {
        const FieldDef f = driver.nearestField(c.source);
        EXPECT_EQ(f.type, c.type) << c.source.name;
        EXPECT_EQ(f.size, c.size) << c.source.name;
        EXPECT_EQ(f.nativeType, c.letter) << c.source.name;
    }
    EXPECT_THROW(driver.nearestField({"C", ftCursor, 0, 0, false, ""}), EngineError);
}

TEST(ParadoxWrites, UniqueSecondaryIndexesRefuseDuplicatesAtTheChange) {
    TempFolder folder;
    const auto path = folder / "UNIQ.DB";
    auto indexes = modelIndexes();
    indexes[2].options = ixUnique;  // "Amount"
    auto table = driverForPath(path).create(path, modelFields(), indexes, {});
    EXPECT_EQ(table->facts().version, "7");
    table->append(recordOf(1, {"a", 5, "", false}));
    auto expectRefused = [&](auto change) {
        try {
            change();
            ADD_FAILURE() << "a duplicate in a unique index was accepted";
        } catch (const EngineError& e) {
            EXPECT_EQ(e.kind(), errkind::kKeyViolation);
            EXPECT_NE(e.message().find("Amount"), std::string::npos) << e.message();
        }
    };
    expectRefused([&] { table->append(recordOf(2, {"b", 5, "", false})); });
    EXPECT_EQ(table->recordCount(), 1u);

    // Inside one transaction the check sees the changes made so far, not only the files.
    Transaction transaction(path.string() + Transaction::kJournalExtension);
    table->setTransaction(&transaction);
    table->append(recordOf(3, {"c", 7, "", false}));
    expectRefused([&] { table->append(recordOf(4, {"d", 7, "", false})); });
    table->update(idOfKey(*table, 1), recordOf(1, {"a", 6, "", false}));  // frees 5
    table->append(recordOf(2, {"b", 5, "", false}));
    expectRefused([&] { table->update(idOfKey(*table, 2), recordOf(2, {"b", 6, "", false})); });
    table->update(idOfKey(*table, 2), recordOf(20, {"b", 5, "", false}));  // a new key, the same amount
    table->remove(idOfKey(*table, 3));                                     // frees 7
    table->append(recordOf(4, {"d", 7, "", false}));
    transaction.commit();
    table->setTransaction(nullptr);
    expectRefused([&] { table->append(recordOf(5, {"e", 7, "", false})); });
    EXPECT_EQ(table->recordCount(), 3u);

    // Past the changes an index takes one by one its .X is rebuilt at commit; a duplicate is
    // still refused at the change, so the rest of the transaction commits.
    Transaction bulk(path.string() + Transaction::kJournalExtension);
    table->setTransaction(&bulk);
    for (int key = 100; key < 5100; ++key) table->append(recordOf(key, {"x", key, "", false}));
    expectRefused([&] { table->append(recordOf(6000, {"y", 4000, "", false})); });
    expectRefused([&] { table->update(idOfKey(*table, 100), recordOf(100, {"x", 5, "", false})); });
    table->update(idOfKey(*table, 100), recordOf(100, {"x", 9000, "", false}));  // frees 100
    table->append(recordOf(6000, {"y", 100, "", false}));
    bulk.commit();
    table->setTransaction(nullptr);
    EXPECT_EQ(table->recordCount(), 5004u);
    table.reset();
    expectConsistentFamily(path);
}

TEST(ParadoxWrites, LargeTransactionsRebuildTheIndexesAndSmallOnesUpdateThem) {
    TempFolder folder;
    const auto path = folder / "BULK.DB";
    auto table = driverForPath(path).create(path, modelFields(), modelIndexes(), {});
    Model model(99);
    {
        Transaction transaction(path.string() + Transaction::kJournalExtension);
        table->setTransaction(&transaction);
        for (int key = 0; key < 6000; ++key) {  // more changes than an index takes one by one
            const Row row = model.randomRow();
            table->append(recordOf((key * 7919) % 6007, row));
            model.rows[(key * 7919) % 6007] = row;
        }
        transaction.commit();
    }
    {
        Transaction transaction(path.string() + Transaction::kJournalExtension);
        table->setTransaction(&transaction);
        for (int i = 0; i < 300; ++i) {
            const int key = model.existingKey();
            const Row row = model.randomRow();
            table->update(idOfKey(*table, key), recordOf(key, row));
            model.rows[key] = row;
        }
        transaction.commit();
    }
    table->setTransaction(nullptr);
    expectModel(*table, model);
    table.reset();
    expectConsistentFamily(path);
}
