#include "MemoryDriver.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <mutex>
#include <utility>

#include "core/AsciiCase.h"
#include "core/EngineError.h"
#include "dataset/IndexOrder.h"
#include "io/Transaction.h"

namespace tabulon::testing {

struct MemoryData {
    std::vector<FieldDef> fields;
    std::vector<IndexDef> indexes;
    std::vector<std::optional<Record>> records;
};

namespace {
struct Store {
    std::mutex mutex;
    std::map<std::string, MemoryData> tables;
};

Store& store() {
    static Store instance;
    return instance;
}

std::string keyFor(const std::filesystem::path& path) {
    return std::filesystem::weakly_canonical(std::filesystem::absolute(path)).string();
}

std::string keyText(const Record& key) {
    std::string text;
    for (const Value& value : key) text += (text.empty() ? "" : ", ") + value.toText();
    return text;
}

int compareKeyValue(const Value& a, const Value& b, const IndexDef& index) {
    int order;
    if ((index.options & ixCaseInsensitive) && a.kind() == ValueKind::String && b.kind() == ValueKind::String) {
        const std::string x = asciiUpper(a.asString()), y = asciiUpper(b.asString());
        order = x < y ? -1 : (y < x ? 1 : 0);
    } else {
        order = a.compare(b);
    }
    return (index.options & ixDescending) ? -order : order;
}

// Compares the leading key.size() fields; with `partial` a string last field is a prefix.
int compareKey(const Record& entry, const Record& key, const IndexDef& index, bool partial) {
    for (std::size_t i = 0; i < key.size() && i < entry.size(); ++i) {
        if (partial && i + 1 == key.size() && entry[i].kind() == ValueKind::String &&
            key[i].kind() == ValueKind::String) {
            const std::string prefix = key[i].asString();
            const std::string head = entry[i].asString().substr(0, prefix.size());
            const int order = compareKeyValue(Value::string(head), key[i], index);
            if (order != 0) return order;
            continue;
        }
        const int order = compareKeyValue(entry[i], key[i], index);
        if (order != 0) return order;
    }
    return 0;
}

class MemoryKeyCursor : public KeyCursor {
public:
    MemoryKeyCursor(IndexDef definition, std::vector<std::pair<Record, RecordId>> entries)
        : definition_(std::move(definition)), entries_(std::move(entries)) {}
    const IndexDef& definition() const override { return definition_; }
    bool first() override { return at(0); }
    bool last() override { return at(entries_.empty() ? 0 : entries_.size() - 1); }
    bool next() override { return position_ != kOff && at(position_ == kBefore ? 0 : position_ + 1); }
    bool prior() override { return position_ != kOff && position_ != kBefore && at(position_ - 1); }
    bool seek(const Record& key, bool partial) override {
        for (std::size_t i = 0; i < entries_.size(); ++i)
            if (compareKey(entries_[i].first, key, definition_, partial) >= 0) return at(i);
        position_ = kOff;
        return false;
    }
    RecordId recordId() const override { return entry().second; }
    Record key() const override { return entry().first; }

private:
    static constexpr std::size_t kOff = static_cast<std::size_t>(-1);
    static constexpr std::size_t kBefore = static_cast<std::size_t>(-2);
    const std::pair<Record, RecordId>& entry() const {
        if (position_ >= entries_.size()) throw EngineError(errkind::kUsage, "The index cursor is on no entry");
        return entries_[position_];
    }
    bool at(std::size_t position) {
        if (position >= entries_.size()) {
            position_ = kOff;
            return false;
        }
        position_ = position;
        return true;
    }
    IndexDef definition_;
    std::vector<std::pair<Record, RecordId>> entries_;
    std::size_t position_ = kBefore;
};

class MemoryTable : public StorageTable, public TransactionParticipant {
public:
    MemoryTable(const StorageDriver& driver, std::filesystem::path path, const OpenOptions& options)
        : driver_(driver), path_(std::move(path)), access_(options.access) {
        refresh();
    }

    const std::filesystem::path& path() const override { return path_; }
    const StorageDriver& driver() const override { return driver_; }
    TableFacts facts() const override { return TableFacts{"memory", "1", "UTF-8", ""}; }
    const std::vector<FieldDef>& fields() const override { return data_.fields; }
    std::vector<IndexDef> indexes() const override { return data_.indexes; }
    std::vector<TableProblem> problems() const override { return {}; }
    TableCapabilities capabilities() const override {
        return {
            .write = true, .transactions = true, .indexes = true, .indexFiles = true, .memoTypes = {ftMemo, ftBlob}};
    }
    std::uint64_t recordCount() const override {
        return static_cast<std::uint64_t>(
            std::count_if(data_.records.begin(), data_.records.end(), [](const auto& r) { return r.has_value(); }));
    }
    std::uint64_t slotCount() const override { return data_.records.size(); }
    bool readSlot(std::uint64_t slot, Record& out) override {
        if (slot >= data_.records.size())
            throw EngineError(errkind::kValue,
                              "Slot " + std::to_string(slot) + " of " + path_.string() + " does not exist");
        const auto& record = data_.records[slot];
        if (!record) return false;
        out = *record;
        return true;
    }
    RecordId recordIdAt(std::uint64_t slot) override { return slot; }
    std::uint64_t slotOf(RecordId id) override { return id; }
    void readRecord(RecordId id, Record& out) override {
        if (id >= data_.records.size() || !data_.records[id])
            throw EngineError(errkind::kValue, "Record " + std::to_string(id) + " of " + path_.string() + " is gone");
        out = *data_.records[id];
    }
    std::unique_ptr<KeyCursor> openIndex(const std::string& name) override {
        for (const IndexDef& index : data_.indexes) {
            if (!equalsIgnoringAsciiCase(index.name, name)) continue;
            const auto positions = indexFieldPositions(index, data_.fields);
            std::vector<std::pair<Record, RecordId>> entries;
            for (RecordId id = 0; id < data_.records.size(); ++id) {
                if (!data_.records[id]) continue;
                Record key;
                for (std::size_t p : positions) key.push_back((*data_.records[id])[p]);
                entries.emplace_back(std::move(key), id);
            }
            std::stable_sort(entries.begin(), entries.end(), [&](const auto& a, const auto& b) {
                return compareKey(a.first, b.first, index, false) < 0;
            });
            return std::make_unique<MemoryKeyCursor>(index, std::move(entries));
        }
        throw EngineError(errkind::kValue, "Table " + path_.string() + " has no index '" + name + "'");
    }

    std::vector<std::string> indexFiles() const override { return indexFiles_; }
    // An attached file adds one index on the first field, named after the file.
    void attachIndexFile(const std::filesystem::path& file) override {
        for (const auto& known : indexFiles_)
            if (equalsIgnoringAsciiCase(known, file.filename().string())) return;
        indexFiles_.push_back(file.filename().string());
        data_.indexes.push_back(IndexDef{asciiUpper(file.stem().string()), data_.fields.at(0).name, "", "", 0,
                                         file.filename().string(), true, ""});
    }

    void setTransaction(Transaction* transaction) override {
        transaction_ = transaction;
        if (transaction) {
            before_ = data_.records;
            transaction->enlist(*this);
        }
    }
    RecordId append(const Record& values) override {
        write();
        checkUnique(values, data_.records.size());
        data_.records.push_back(values);
        publish();
        return data_.records.size() - 1;
    }
    RecordId update(RecordId id, const Record& values) override {
        write();
        Record old;
        readRecord(id, old);
        checkUnique(values, id);
        data_.records[id] = values;
        publish();
        return id;
    }
    void remove(RecordId id) override {
        write();
        Record old;
        readRecord(id, old);
        data_.records[id].reset();
        publish();
    }
    void empty() override {
        write();
        data_.records.clear();
        publish();
    }
    void pack() override {
        write();
        WorkReport work(*this, kPackRecordsShare);
        std::erase_if(data_.records, [](const auto& r) { return !r.has_value(); });
        publish();
        work.finish();
    }
    // Indexes are sorted afresh by each openIndex(): there is nothing to rebuild.
    void regenerateIndexes() override { WorkReport(*this, 0).finish(); }
    void refresh() override {
        std::lock_guard guard(store().mutex);
        const auto found = store().tables.find(keyFor(path_));
        if (found == store().tables.end())
            throw EngineError(errkind::kFormat, path_.string() + " is not a memory table");
        data_ = found->second;
        for (const auto& file : std::vector<std::string>(std::exchange(indexFiles_, {})))
            attachIndexFile(path_.parent_path() / file);
    }

    void prepareCommit() override {}
    void afterCommit() override {
        transaction_ = nullptr;
        publishNow();
    }
    void afterRollback() override {
        transaction_ = nullptr;
        data_.records = before_;
    }

private:
    void write() const {
        if (access_ != AccessMode::ReadWrite)
            throw EngineError(errkind::kUsage, "Table " + path_.string() + " is open for reading only");
    }
    void checkUnique(const Record& values, RecordId self) const {
        for (const IndexDef& index : data_.indexes) {
            if (!(index.options & (ixUnique | ixPrimary))) continue;
            const auto positions = indexFieldPositions(index, data_.fields);
            Record key;
            for (std::size_t p : positions) key.push_back(values.at(p));
            for (RecordId id = 0; id < data_.records.size(); ++id) {
                if (id == self || !data_.records[id]) continue;
                Record other;
                for (std::size_t p : positions) other.push_back((*data_.records[id])[p]);
                if (compareKey(other, key, index, false) == 0)
                    throw EngineError(errkind::kKeyViolation, "Key violation in index '" + index.name + "' of " +
                                                                  path_.filename().string() + ": (" + keyText(key) +
                                                                  ")");
            }
        }
    }
    void publish() {
        if (!transaction_) publishNow();
    }
    void publishNow() {
        std::lock_guard guard(store().mutex);
        store().tables[keyFor(path_)].records = data_.records;
    }

    const StorageDriver& driver_;
    std::filesystem::path path_;
    AccessMode access_;
    MemoryData data_;
    Transaction* transaction_ = nullptr;
    std::vector<std::optional<Record>> before_;
    std::vector<std::string> indexFiles_;
};
}  // namespace

std::unique_ptr<StorageTable> MemoryDriver::open(const std::filesystem::path& path, const OpenOptions& options) const {
    return std::make_unique<MemoryTable>(*this, path, options);
}

std::unique_ptr<StorageTable> MemoryDriver::create(const std::filesystem::path& path,
                                                   const std::vector<FieldDef>& fields,
                                                   const std::vector<IndexDef>& indexes, const CreateOptions&) const {
    if (std::filesystem::exists(path)) throw EngineError(errkind::kFile, "Table " + path.string() + " exists already");
    std::ofstream(path).flush();
    {
        std::lock_guard guard(store().mutex);
        store().tables[keyFor(path)] = MemoryData{fields, indexes, {}};
    }
    OpenOptions options;
    options.access = AccessMode::ReadWrite;
    return open(path, options);
}

std::vector<std::filesystem::path> MemoryDriver::familyFiles(const std::filesystem::path& table) const {
    return {table};
}

std::vector<std::optional<Record>> MemoryDriver::committedRecords(const std::filesystem::path& path) {
    std::lock_guard guard(store().mutex);
    return store().tables.at(keyFor(path)).records;
}

}  // namespace tabulon::testing
