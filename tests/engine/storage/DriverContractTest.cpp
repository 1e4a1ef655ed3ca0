// The rules StorageTable.h states, checked alike on every driver: ids, navigation, index
// cursors, writes and their errors, read-only opens, damaged files, progress, transactions,
// renames. A test of something a driver's tables cannot do skips.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>

#include "ContractSubject.h"
#include "core/EngineError.h"
#include "io/Transaction.h"
#include "support/TempFolder.h"

namespace tabulon {
void PrintTo(const Value& value, std::ostream* out) { *out << value.toText(); }
}  // namespace tabulon

namespace tabulon::testing {
void PrintTo(const ContractSubject& subject, std::ostream* out) { *out << subject.name; }

namespace {

const std::vector<ContractRow> kRows = {{3, "cherry"}, {1, "apple"}, {4, "banana"}, {2, "banana"}, {5, "apricot"}};

// "EKind: message" of the EngineError `call` throws; "none" when it throws none.
template <typename Call>
std::string errorOf(Call call) {
    try {
        call();
    } catch (const EngineError& e) {
        return e.kind() + ": " + e.message();
    }
    return "none";
}
std::string kindOf(const std::string& error) { return error.substr(0, error.find(':')); }

void sortById(std::vector<Record>& records) {
    std::sort(records.begin(), records.end(), [](const Record& a, const Record& b) { return a[0].compare(b[0]) < 0; });
}

// The live records in ID order.
std::vector<Record> live(StorageTable& table) {
    std::vector<Record> records;
    Record record;
    for (std::uint64_t slot = 0; slot < table.slotCount(); ++slot)
        if (table.readSlot(slot, record)) records.push_back(record);
    sortById(records);
    return records;
}

RecordId idOf(StorageTable& table, std::int64_t id) {
    Record record;
    for (std::uint64_t slot = 0; slot < table.slotCount(); ++slot)
        if (table.readSlot(slot, record) && record[0].asInt() == id) return table.recordIdAt(slot);
    throw std::logic_error("no record of ID " + std::to_string(id));
}

#define SKIP_WITHOUT(capability, what) \
    if (!(capability)) GTEST_SKIP() << subject().name << " tables have no " << what

class DriverContract : public ::testing::TestWithParam<ContractSubject> {
protected:
    const ContractSubject& subject() const { return GetParam(); }
    std::filesystem::path make(const std::vector<ContractRow>& rows = kRows) {
        return subject().make(folder / subject().fileName, rows);
    }
    std::unique_ptr<StorageTable> open(const std::filesystem::path& path, AccessMode access = AccessMode::ReadOnly,
                                       bool tolerant = false) const {
        return subject().driver->open(path, OpenOptions{access, ShareMode::Shared, "", tolerant});
    }
    // The records of kRows without the IDs `gone`, with `added`, in ID order.
    std::vector<Record> records(const std::vector<std::int64_t>& gone = {},
                                const std::vector<ContractRow>& added = {}) const {
        std::vector<Record> out;
        for (const ContractRow& row : kRows)
            if (std::find(gone.begin(), gone.end(), row.id) == gone.end()) out.push_back(subject().record(row));
        for (const ContractRow& row : added) out.push_back(subject().record(row));
        sortById(out);
        return out;
    }
    // Every index lists each live record once, in the order of the names.
    void expectIndexesAgree(StorageTable& table) const {
        for (const std::string& name : {subject().nameIndex, subject().nameIdIndex}) {
            if (name.empty()) continue;
            auto cursor = table.openIndex(name);
            std::vector<Record> listed;
            std::string previous;
            for (bool more = cursor->first(); more; more = cursor->next()) {
                listed.emplace_back();
                table.readRecord(cursor->recordId(), listed.back());
                EXPECT_LE(previous, listed.back()[1].asString()) << name;
                previous = listed.back()[1].asString();
            }
            sortById(listed);
            EXPECT_EQ(listed, live(table)) << name;
        }
    }
    TempFolder folder;
};

TEST_P(DriverContract, IdsSlotsAndRecordsAgree) {
    auto table = open(make());
    EXPECT_EQ(table->recordCount(), kRows.size());
    EXPECT_EQ(table->slotCount(), kRows.size());
    EXPECT_TRUE(table->problems().empty());
    Record bySlot, byId, some;
    for (std::uint64_t slot = 0; slot < table->slotCount(); ++slot) {
        ASSERT_TRUE(table->readSlot(slot, bySlot));
        const RecordId id = table->recordIdAt(slot);
        EXPECT_EQ(table->slotOf(id), slot);
        table->readRecord(id, byId);
        EXPECT_EQ(byId, bySlot);
        ASSERT_TRUE(table->readSlotFields(slot, {1}, some));
        ASSERT_EQ(some.size(), bySlot.size());
        EXPECT_EQ(some[1], bySlot[1]);
        table->readRecordFields(id, {0}, some);
        EXPECT_EQ(some[0], bySlot[0]);
    }
    EXPECT_EQ(live(*table), records());
    EXPECT_NE(errorOf([&] { table->readSlot(table->slotCount(), bySlot); }), "none");
    EXPECT_NE(errorOf([&] { subject().driver->create(table->path(), table->fields(), {}, {}); }), "none");
}

TEST_P(DriverContract, AnEmptyTableHasNoSlotsAndEmptyIndexes) {
    auto table = open(make({}));
    EXPECT_EQ(table->recordCount(), 0u);
    EXPECT_EQ(table->slotCount(), 0u);
    if (subject().nameIndex.empty()) return;
    auto cursor = table->openIndex(subject().nameIndex);
    EXPECT_FALSE(cursor->first());
    EXPECT_FALSE(cursor->last());
}

TEST_P(DriverContract, WhatATableCannotDoIsRefused) {
    auto table = open(make());
    const TableCapabilities can = table->capabilities();
    EXPECT_EQ(kindOf(errorOf([&] { table->openIndex("NOSUCH"); })), errkind::kValue);
    if (!can.indexes) {
        EXPECT_EQ(kindOf(errorOf([&] { table->regenerateIndexes(); })), errkind::kNotSupported);
    }
    if (!can.indexFiles) {
        EXPECT_EQ(kindOf(errorOf([&] { table->attachIndexFile(folder / "T.NDX"); })), errkind::kNotSupported);
    }
    // Writes to a table opened for reading fail, as do writes to one that takes none.
    const std::string refusal = can.write ? errkind::kUsage : errkind::kNotSupported;
    const RecordId first = table->recordIdAt(0);
    const Record values = subject().record({9, "fig"});
    EXPECT_EQ(kindOf(errorOf([&] { table->append(values); })), refusal);
    EXPECT_EQ(kindOf(errorOf([&] { table->update(first, values); })), refusal);
    EXPECT_EQ(kindOf(errorOf([&] { table->remove(first); })), refusal);
    EXPECT_EQ(kindOf(errorOf([&] { table->empty(); })), refusal);
    EXPECT_EQ(kindOf(errorOf([&] { table->pack(); })), refusal);
    EXPECT_EQ(live(*open(table->path())), records());
}

TEST_P(DriverContract, AnIndexWalksBothWaysAndStaysOffTheEnd) {
    SKIP_WITHOUT(!subject().nameIndex.empty(), "indexes");
    auto table = open(make());
    auto cursor = table->openIndex(subject().nameIndex);
    EXPECT_NE(errorOf([&] { cursor->recordId(); }), "none");  // before the first entry
    std::vector<std::string> forward, backward;
    for (bool more = cursor->first(); more; more = cursor->next()) forward.push_back(cursor->key().at(0).asString());
    EXPECT_FALSE(cursor->next());
    for (bool more = cursor->last(); more; more = cursor->prior())
        backward.insert(backward.begin(), cursor->key().at(0).asString());
    EXPECT_FALSE(cursor->prior());
    EXPECT_EQ(forward, (std::vector<std::string>{"apple", "apricot", "banana", "banana", "cherry"}));
    EXPECT_EQ(backward, forward);
    ASSERT_TRUE(cursor->first());
    EXPECT_FALSE(cursor->prior());
    EXPECT_FALSE(cursor->next()) << "went on after falling off the start";
    ASSERT_TRUE(cursor->last());
    EXPECT_FALSE(cursor->next());
    EXPECT_FALSE(cursor->prior()) << "went back after falling off the end";
    expectIndexesAgree(*table);
}

TEST_P(DriverContract, SeeksFindTheNearestKey) {
    SKIP_WITHOUT(!subject().nameIndex.empty(), "indexes");
    auto table = open(make());
    auto cursor = table->openIndex(subject().nameIndex);
    const struct {
        const char* key;
        bool partial;
        const char* found;  // null: no key at or after it
    } cases[] = {{"banana", false, "banana"}, {"b", false, "banana"},   {"apr", true, "apricot"},
                 {"ap", true, "apple"},       {"apz", false, "banana"}, {"cherry", false, "cherry"},
                 {"zebra", false, nullptr}};
    for (const auto& c : cases) {
        ASSERT_EQ(cursor->seek({Value::string(c.key)}, c.partial), c.found != nullptr) << c.key;
        if (c.found) {
            EXPECT_EQ(cursor->key().at(0).asString(), c.found) << c.key;
        }
    }
    EXPECT_FALSE(cursor->next()) << "went on after a seek past the last key";
    if (subject().nameIdIndex.empty()) return;
    // A short key finds the start of its range.
    auto both = table->openIndex(subject().nameIdIndex);
    Record record;
    for (const std::int64_t id : {2, 4, 3}) {
        ASSERT_TRUE(id == 2 ? both->seek({Value::string("banana")}, false) : both->next());
        table->readRecord(both->recordId(), record);
        EXPECT_EQ(record[0].asInt(), id);
    }
}

TEST_P(DriverContract, WritesReadBackKeepTheIndexesAndSurviveAReopen) {
    const auto path = make();
    auto table = open(path, AccessMode::ReadWrite);
    SKIP_WITHOUT(table->capabilities().write, "writes");
    Record record;
    table->readRecord(table->append(subject().record({6, "elder"})), record);
    EXPECT_EQ(record, subject().record({6, "elder"}));
    table->readRecord(table->update(idOf(*table, 1), subject().record({1, "fig"})), record);
    EXPECT_EQ(record, subject().record({1, "fig"}));
    table->remove(idOf(*table, 3));
    const auto rows = records({1, 3}, {{1, "fig"}, {6, "elder"}});
    EXPECT_EQ(table->recordCount(), rows.size());
    EXPECT_EQ(live(*table), rows);
    expectIndexesAgree(*table);
    table->pack();
    EXPECT_EQ(table->slotCount(), rows.size());
    const auto reopened = open(path);
    for (StorageTable* t : {table.get(), reopened.get()}) {
        EXPECT_EQ(live(*t), rows);
        expectIndexesAgree(*t);
    }
    table->empty();
    EXPECT_EQ(table->recordCount(), 0u);
    EXPECT_TRUE(live(*open(path)).empty());
    expectIndexesAgree(*open(path));
}

TEST_P(DriverContract, AValueThatDoesNotFitIsRefusedNamingTheField) {
    SKIP_WITHOUT(!subject().misfits.empty(), "values that do not fit");
    auto table = open(make(), AccessMode::ReadWrite);
    for (const auto& [field, value] : subject().misfits) {
        Record values = subject().record({9, "fig"});
        values[field] = value;
        const std::string error = errorOf([&] { table->append(values); });
        EXPECT_EQ(kindOf(error), errkind::kValue) << value.toText();
        EXPECT_NE(error.find(table->fields()[field].name), std::string::npos) << error;
    }
    EXPECT_EQ(live(*open(table->path())), records());
}

TEST_P(DriverContract, ASecondRecordOfAUniqueKeyIsAKeyViolation) {
    SKIP_WITHOUT(subject().uniqueIds, "unique keys");
    auto table = open(make(), AccessMode::ReadWrite);
    const std::string appended = errorOf([&] { table->append(subject().record({3, "again"})); });
    EXPECT_EQ(kindOf(appended), errkind::kKeyViolation);
    EXPECT_NE(appended.find("(3)"), std::string::npos) << appended;
    EXPECT_EQ(kindOf(errorOf([&] {
                  table->update(idOf(*table, 1), subject().record({3, "apple"}));
              })),
              errkind::kKeyViolation);
    EXPECT_EQ(live(*table), records());
    expectIndexesAgree(*table);
}

TEST_P(DriverContract, ADamagedTableListsProblemsWhenTolerantAndFailsWhenStrict) {
    SKIP_WITHOUT(static_cast<bool>(subject().damage), "tolerant reading");
    const auto path = make();
    subject().damage(path);
    auto tolerant = open(path, AccessMode::ReadOnly, true);
    live(*tolerant);
    ASSERT_FALSE(tolerant->problems().empty());
    for (const TableProblem& problem : tolerant->problems()) EXPECT_FALSE(problem.file.empty()) << problem.message;
    const std::string strict = errorOf([&] { live(*open(path)); });
    EXPECT_EQ(kindOf(strict), errkind::kFormat);
    EXPECT_NE(strict.find(path.filename().string()), std::string::npos) << strict;
}

TEST_P(DriverContract, AFileThatIsNoTableFailsToOpenNamingIt) {
    SKIP_WITHOUT(!subject().anyBytesAreATable, "files that are no table");
    const auto path = folder / subject().fileName;
    for (const std::string bytes : {"", "\x03\x01\x02", "this is not a table at all, just some words in a file ...."}) {
        std::ofstream(path, std::ios::binary) << bytes;
        const std::string error = errorOf([&] { open(path); });
        EXPECT_EQ(kindOf(error), errkind::kFormat) << bytes;
        EXPECT_NE(error.find(subject().fileName), std::string::npos) << error;
    }
}

TEST_P(DriverContract, PackAndRegenerationReportRisingPercentsEndingAt100) {
    auto table = open(make(), AccessMode::ReadWrite);
    SKIP_WITHOUT(table->capabilities().write, "writes");
    table->remove(idOf(*table, 4));
    std::vector<int> percents;
    table->setProgressHook([&](int percent, WorkPhase) { percents.push_back(percent); });
    auto expectReport = [&](const char* what) {
        ASSERT_FALSE(percents.empty()) << what;
        EXPECT_EQ(std::adjacent_find(percents.begin(), percents.end(), std::greater_equal<>()), percents.end()) << what;
        EXPECT_EQ(percents.back(), 100) << what;
        percents.clear();
    };
    table->pack();
    expectReport("pack");
    if (!table->capabilities().indexes) return;
    table->regenerateIndexes();
    expectReport("regenerateIndexes");
    expectIndexesAgree(*table);
}

TEST_P(DriverContract, TransactionWritesWaitForTheCommitAndRollBackWhole) {
    const auto path = make();
    auto table = open(path, AccessMode::ReadWrite);
    SKIP_WITHOUT(table->capabilities().transactions, "transactions");
    const auto rows = records({1}, {{7, "grape"}});
    for (const bool commit : {false, true}) {
        Transaction transaction(path.string() + Transaction::kJournalExtension);
        table->setTransaction(&transaction);
        table->append(subject().record({7, "grape"}));
        table->remove(idOf(*table, 1));
        EXPECT_EQ(live(*table), rows);
        EXPECT_EQ(live(*open(path)), records());
        commit ? transaction.commit() : transaction.rollback();
        table->setTransaction(nullptr);
        EXPECT_EQ(live(*table), commit ? rows : records());
        expectIndexesAgree(*table);
    }
    EXPECT_EQ(live(*open(path)), rows);
}

TEST_P(DriverContract, RefreshSeesWhatOthersCommitted) {
    const auto path = make();
    auto reader = open(path);
    const ContractRow kiwi{8, "kiwi"};
    if (reader->capabilities().write) {
        open(path, AccessMode::ReadWrite)->append(subject().record(kiwi));
    } else {  // written anew by another program
        std::vector<ContractRow> rows = kRows;
        rows.push_back(kiwi);
        subject().make(path, rows);
    }
    reader->refresh();
    EXPECT_EQ(live(*reader), records({}, {kiwi}));
}

TEST_P(DriverContract, RenamingMovesTheWholeFamilyOrNothing) {
    const auto path = make();
    const StorageDriver& driver = *subject().driver;
    const auto family = driver.familyFiles(path);
    driver.renameFamily(path, "RENAMED");
    const auto renamed = folder / ("RENAMED" + path.extension().string());
    for (const auto& file : family) EXPECT_FALSE(std::filesystem::exists(file)) << file;
    EXPECT_EQ(driver.familyFiles(renamed).size(), family.size());
    if (subject().renamedOpens) {
        EXPECT_EQ(live(*open(renamed)), records());
    }
    // A file of the target name, in any letter case, stops the rename.
    std::ofstream(folder / ("taken" + path.extension().string()));
    const std::string refused = errorOf([&] { driver.renameFamily(renamed, "TAKEN"); });
    EXPECT_EQ(kindOf(refused), errkind::kFile);
    EXPECT_NE(refused.find("taken"), std::string::npos) << refused;
    EXPECT_EQ(kindOf(errorOf([&] { driver.renameFamily(renamed, "a/b"); })), errkind::kFile);
    EXPECT_EQ(driver.familyFiles(renamed).size(), family.size());
}

TEST_P(DriverContract, EveryDeclaredMemoKindKeepsItsValue) {
    const auto sample = open(make({}));
    const std::vector<FieldType> kinds = sample->capabilities().memoTypes;
    SKIP_WITHOUT(!kinds.empty(), "memo fields");
    // Long enough to leave the record; binary values hold every byte.
    Bytes binary(600);
    for (std::size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<std::uint8_t>(i);
    std::vector<FieldDef> fields{sample->fields().at(0)};
    Record values{subject().record({7, ""}).at(0)};
    for (const FieldType kind : kinds) {
        fields.push_back({"M" + std::to_string(fields.size()), kind, 10, 0, false, ""});
        const bool text = kind == ftMemo || kind == ftFmtMemo;
        values.push_back(text ? Value::string(std::string(400, 'm') + "\r\nend") : Value::bytes(binary));
    }
    const auto path = folder / ("MEMOS" + sample->path().extension().string());
    subject().driver->create(path, fields, {}, {})->append(values);
    auto table = open(path);
    ASSERT_EQ(table->fields().size(), fields.size());
    for (std::size_t i = 1; i < fields.size(); ++i) EXPECT_EQ(table->fields()[i].type, kinds[i - 1]);
    EXPECT_EQ(live(*table), std::vector<Record>{values});
}

INSTANTIATE_TEST_SUITE_P(Drivers, DriverContract, ::testing::ValuesIn(contractSubjects()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace tabulon::testing
