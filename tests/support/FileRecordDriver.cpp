#include "FileRecordDriver.h"

#include <cstring>
#include <limits>

#include "core/EngineError.h"
#include "io/PagedFile.h"
#include "io/Transaction.h"

namespace tabulon::testing {

namespace {
constexpr char kMagic[8] = {'T', 'B', 'L', 'T', 'E', 'S', 'T', '1'};
constexpr std::uint64_t kHeaderSize = 16;
constexpr std::uint32_t kMaxFields = 64;
constexpr std::int64_t kNull = std::numeric_limits<std::int64_t>::min();

class FileRecordTable : public StorageTable, public TransactionParticipant {
public:
    FileRecordTable(const StorageDriver& driver, std::filesystem::path path, AccessMode access)
        : driver_(driver), path_(std::move(path)) {
        Transaction::recoverFolder(path_.parent_path());
        file_ = std::make_unique<PagedFile>(PagedFile::open(path_, access));
        readHeader();
    }
    FileRecordTable(const StorageDriver& driver, std::filesystem::path path, std::size_t fieldCount)
        : driver_(driver), path_(std::move(path)) {
        file_ = std::make_unique<PagedFile>(PagedFile::createNew(path_));
        makeFields(fieldCount);
        write([&] { writeHeader(); });
    }

    const std::filesystem::path& path() const override { return path_; }
    const StorageDriver& driver() const override { return driver_; }
    TableFacts facts() const override { return TableFacts{"test records", "1", "", ""}; }
    const std::vector<FieldDef>& fields() const override { return fields_; }
    std::vector<IndexDef> indexes() const override { return {}; }
    std::vector<TableProblem> problems() const override { return {}; }
    TableCapabilities capabilities() const override {
        return {.write = true, .transactions = true, .indexes = false, .indexFiles = false};
    }
    std::uint64_t recordCount() const override {
        std::uint64_t live = 0;
        for (std::uint64_t slot = 0; slot < slots_; ++slot) {
            std::uint8_t flag = 0;
            file_->readExact(offsetOf(slot), &flag, 1);
            live += flag == 0;
        }
        return live;
    }
    std::uint64_t slotCount() const override { return slots_; }
    bool readSlot(std::uint64_t slot, Record& out) override {
        check(slot);
        std::vector<std::uint8_t> bytes(recordSize());
        file_->readExact(offsetOf(slot), bytes.data(), bytes.size());
        if (bytes[0] != 0) return false;
        out.resize(fields_.size());
        for (std::size_t i = 0; i < fields_.size(); ++i) {
            std::int64_t v;
            std::memcpy(&v, bytes.data() + 1 + 8 * i, 8);
            out[i] = v == kNull ? Value() : Value::integer(v);
        }
        return true;
    }
    RecordId recordIdAt(std::uint64_t slot) override { return slot; }
    std::uint64_t slotOf(RecordId id) override { return id; }
    void readRecord(RecordId id, Record& out) override {
        if (!readSlot(id, out))
            throw EngineError(errkind::kValue,
                              "Record " + std::to_string(id) + " of " + path_.string() + " is deleted");
    }
    std::unique_ptr<KeyCursor> openIndex(const std::string& name) override {
        throw EngineError(errkind::kValue, "Table " + path_.string() + " has no index '" + name + "'");
    }

    void setTransaction(Transaction* transaction) override {
        transaction_ = transaction;
        if (transaction) {
            transaction->enlist(*file_);
            transaction->enlist(*this);
        }
    }
    RecordId append(const Record& values) override {
        const RecordId id = slots_;
        write([&] {
            putRecord(id, values, 0);
            ++slots_;
            writeHeader();
        });
        return id;
    }
    RecordId update(RecordId id, const Record& values) override {
        Record old;
        readRecord(id, old);
        write([&] { putRecord(id, values, 0); });
        return id;
    }
    void remove(RecordId id) override {
        Record old;
        readRecord(id, old);
        write([&] { putRecord(id, old, 1); });
    }
    void empty() override {
        write([&] {
            slots_ = 0;
            file_->truncate(kHeaderSize);
            writeHeader();
        });
    }
    void pack() override {
        WorkReport work(*this, kPackRecordsShare);
        std::vector<Record> kept;
        Record record;
        for (std::uint64_t slot = 0; slot < slots_; ++slot)
            if (readSlot(slot, record)) kept.push_back(record);
        write([&] {
            slots_ = 0;
            file_->truncate(kHeaderSize);
            for (const Record& values : kept) putRecord(slots_++, values, 0);
            writeHeader();
        });
        work.finish();
    }
    void refresh() override {
        file_->refresh();
        readHeader();
    }

    void prepareCommit() override {}
    void afterRollback() override {
        transaction_ = nullptr;
        readHeader();
    }
    void afterCommit() override { transaction_ = nullptr; }

private:
    template <typename Change>
    void write(Change change) {
        if (!file_->writable()) throw EngineError(errkind::kUsage, "Table " + path_.string() + " is read-only");
        if (transaction_) {
            change();
            return;
        }
        Transaction own(path_.string() + Transaction::kJournalExtension);
        own.enlist(*file_);
        own.enlist(*this);
        change();
        own.commit();
    }
    std::size_t recordSize() const { return 1 + 8 * fields_.size(); }
    std::uint64_t offsetOf(std::uint64_t slot) const { return kHeaderSize + slot * recordSize(); }
    void check(std::uint64_t slot) const {
        if (slot >= slots_)
            throw EngineError(errkind::kValue,
                              "Slot " + std::to_string(slot) + " of " + path_.string() + " does not exist");
    }
    void makeFields(std::size_t count) {
        fields_.clear();
        for (std::size_t i = 0; i < count; ++i) {
            std::string name = "F";
            name += std::to_string(i);
            fields_.push_back(FieldDef{name, ftInteger, 0, 0, false, "I"});
        }
    }
    void readHeader() {
        char header[kHeaderSize];
        if (file_->read(0, header, sizeof header) != sizeof header || std::memcmp(header, kMagic, 8) != 0)
            throw EngineError(errkind::kFormat, path_.string() + " is not a test record table");
        std::uint32_t fieldCount, slots;
        std::memcpy(&fieldCount, header + 8, 4);
        std::memcpy(&slots, header + 12, 4);
        if (fieldCount == 0 || fieldCount > kMaxFields)
            throw EngineError(errkind::kFormat, path_.string() + " claims " + std::to_string(fieldCount) + " fields");
        makeFields(fieldCount);
        if (kHeaderSize + std::uint64_t(slots) * recordSize() != file_->size())
            throw EngineError(errkind::kFormat, path_.string() + " claims " + std::to_string(slots) +
                                                    " records, but its size is " + std::to_string(file_->size()));
        slots_ = slots;
    }
    void writeHeader() {
        char header[kHeaderSize];
        std::memcpy(header, kMagic, 8);
        const auto fieldCount = static_cast<std::uint32_t>(fields_.size());
        const auto slots = static_cast<std::uint32_t>(slots_);
        std::memcpy(header + 8, &fieldCount, 4);
        std::memcpy(header + 12, &slots, 4);
        file_->write(0, header, sizeof header);
    }
    void putRecord(std::uint64_t slot, const Record& values, std::uint8_t deleted) {
        std::vector<std::uint8_t> bytes(recordSize());
        bytes[0] = deleted;
        for (std::size_t i = 0; i < fields_.size(); ++i) {
            const std::int64_t v = i < values.size() && !values[i].isNull() ? values[i].asInt() : kNull;
            std::memcpy(bytes.data() + 1 + 8 * i, &v, 8);
        }
        file_->write(offsetOf(slot), bytes.data(), bytes.size());
    }

    const StorageDriver& driver_;
    std::filesystem::path path_;
    std::unique_ptr<PagedFile> file_;
    std::vector<FieldDef> fields_;
    std::uint64_t slots_ = 0;
    Transaction* transaction_ = nullptr;
};
}  // namespace

std::unique_ptr<StorageTable> FileRecordDriver::open(const std::filesystem::path& path,
                                                     const OpenOptions& options) const {
    return std::make_unique<FileRecordTable>(*this, path, options.access);
}

std::unique_ptr<StorageTable> FileRecordDriver::create(const std::filesystem::path& path,
                                                       const std::vector<FieldDef>& fields,
                                                       const std::vector<IndexDef>&, const CreateOptions&) const {
    if (std::filesystem::exists(path)) throw EngineError(errkind::kFile, "Table " + path.string() + " exists already");
    return std::make_unique<FileRecordTable>(*this, path, fields.size());
}

}  // namespace tabulon::testing
