#pragma once
// A temporary folder with its own desktop trash, and a small keyed table of either format.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <set>

#include "DbfreadOracle.h"
#include "core/EngineError.h"
#include "io/Transaction.h"
#include "ops/BatchMove.h"
#include "ops/TableDefinitions.h"
#include "storage/Drivers.h"
#include "storage/dbase/NdxWriter.h"
#include "support/TempFolder.h"

namespace tabulon::testing {

using Bytes = std::vector<std::uint8_t>;

inline Bytes readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

inline void writeBytes(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

class OpsFixture : public ::testing::Test {
protected:
    // The trash is set before any member picks it up from the environment.
    OpsFixture() {
        std::filesystem::create_directories(folder_ / "data");
        std::filesystem::create_directories(folder_ / "home");
        ::setenv("XDG_DATA_HOME", (folder_ / "home").c_str(), 1);
    }

    std::filesystem::path data() const { return folder_ / "data"; }
    std::filesystem::path trashFiles() const { return folder_ / "home" / "Trash" / "files"; }

    static std::vector<FieldDef> itemFields() {
        return {{"ID", ftInteger, 0, 0, true, ""},
                {"NAME", ftString, 20, 0, false, ""},
                {"NOTE", ftMemo, 10, 0, false, ""}};
    }
    static std::vector<IndexDef> itemIndexes(TableType type) {
        IndexDef byName{"BYNAME", "NAME", "", "", 0, "", true, ""};
        if (type == ttDBase) return {IndexDef{"ID", "ID", "", "", 0, "", true, ""}, byName};
        return {IndexDef{"", "ID", "", "", ixPrimary | ixUnique, "", true, ""}, byName};
    }

    // Creates `name` with records 1..count (NAME "item<n>", a memo on every third).
    std::filesystem::path createItems(const std::string& name, int count) const {
        std::vector<Record> rows;
        for (int i = 1; i <= count; ++i)
            rows.push_back({Value::integer(i), Value::string("item" + std::to_string(i)),
                            i % 3 == 0 ? Value::string("memo " + std::to_string(i)) : Value()});
        return tableWith(name, itemFields(), rows, {}, itemIndexes(tableTypeForPath(data() / name)));
    }

    // A table of `fields` holding `rows` in the data folder, written in one transaction.
    std::filesystem::path tableWith(const std::string& name, const std::vector<FieldDef>& fields,
                                    const std::vector<Record>& rows, const std::string& encoding = {},
                                    const std::vector<IndexDef>& indexes = {},
                                    const std::string& sortOrder = {}) const {
        CreateOptions options;
        options.encoding = encoding;
        options.sortOrder = sortOrder;
        auto table = driverForPath(data() / name).create(data() / name, fields, indexes, options);
        Transaction transaction(Transaction::newJournalPath(data()));
        table->setTransaction(&transaction);
        for (const auto& row : rows) table->append(row);
        transaction.commit();
        table->setTransaction(nullptr);
        return data() / name;
    }

    BatchMoveResult move(const std::filesystem::path& source, const std::filesystem::path& target,
                         const BatchMoveOptions& options) const {
        return BatchMove(TableDefinitions()).run(*openTable(source), target, options);
    }

    static std::unique_ptr<StorageTable> openWritable(const std::filesystem::path& path) {
        OpenOptions options;
        options.access = AccessMode::ReadWrite;
        return openTable(path, options);
    }

    // A .NDX on the character `expression` attached to the dBase table at `path`, built from its
    // records.
    static void attachNdx(const std::filesystem::path& path, const std::string& file, const std::string& expression) {
        dbase::MdxTagSpec tag;
        tag.name = file;
        tag.expression = expression;
        tag.keyType = 'C';
        tag.keyLength = 20;
        const std::string empty = dbase::buildNdx(tag, {});
        std::ofstream(path.parent_path() / file, std::ios::binary)
            .write(empty.data(), static_cast<std::streamsize>(empty.size()));
        auto table = openWritable(path);
        table->attachIndexFile(path.parent_path() / file);
        table->regenerateIndexes();
    }

    // The error `call` throws as "kind: message", or "no error".
    static std::string errorOf(const std::function<void()>& call) {
        try {
            call();
        } catch (const EngineError& e) {
            return e.kind() + ": " + e.message();
        }
        return "no error";
    }

    // The text of field `field` of each record, in the order of index `index` (an attached
    // index file when `attach` names one).
    static std::vector<std::string> inIndexOrder(const std::filesystem::path& path, const std::string& index,
                                                 std::size_t field, const std::string& attach = {}) {
        auto table = openTable(path);
        if (!attach.empty()) table->attachIndexFile(path.parent_path() / attach);
        auto cursor = table->openIndex(index);
        std::vector<std::string> values;
        Record record;
        for (bool on = cursor->first(); on; on = cursor->next()) {
            table->readRecord(cursor->recordId(), record);
            values.push_back(record[field].toText());
        }
        return values;
    }

    // The live records of the table at `path`, in natural order.
    static std::vector<Record> recordsOf(const std::filesystem::path& path) {
        auto table = openTable(path);
        std::vector<Record> records;
        Record record;
        for (std::uint64_t slot = 0; slot < table->slotCount(); ++slot)
            if (table->readSlot(slot, record)) records.push_back(record);
        return records;
    }

    static std::set<std::int64_t> idsOf(const std::filesystem::path& path) {
        std::set<std::int64_t> ids;
        for (const Record& record : recordsOf(path)) ids.insert(record[0].convertTo(ValueKind::Integer).asInt());
        return ids;
    }

    // An independent reader sees in the dBase table at `path` the values the engine sees, field
    // by field (skipped when python3-dbfread is not installed).
    static void expectDbfreadAgrees(const std::filesystem::path& path, const std::vector<std::string>& fields) {
        if (!dbfreadAvailable()) return;
        auto table = openTable(path);
        for (const auto& field : fields) {
            std::size_t column = 0;
            while (column < table->fields().size() && table->fields()[column].name != field) ++column;
            ASSERT_LT(column, table->fields().size()) << field;
            std::vector<std::string> ours;
            Record record;
            for (std::uint64_t slot = 0; slot < table->slotCount(); ++slot)
                if (table->readSlot(slot, record)) ours.push_back(record[column].toText());
            const auto theirs = dbfreadColumn(path.string(), field);
            ASSERT_TRUE(theirs.has_value()) << "dbfread could not read " << path;
            EXPECT_EQ(*theirs, ours) << path << ", field " << field;
        }
    }

    static std::set<std::string> namesIn(const std::filesystem::path& folder) {
        std::set<std::string> names;
        if (!std::filesystem::exists(folder)) return names;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            names.insert(entry.path().filename().string());
        return names;
    }

    TempFolder folder_;
};

}  // namespace tabulon::testing
