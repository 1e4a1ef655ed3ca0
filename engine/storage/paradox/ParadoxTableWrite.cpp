// The writing half of ParadoxTable: record changes, blobs, and index upkeep at commit.
#include <algorithm>
#include <cstring>

#include "../../core/EngineError.h"
#include "../Drivers.h"
#include "ParadoxBytes.h"
#include "ParadoxHeaderBuilder.h"
#include "ParadoxIndexTreeWriter.h"
#include "ParadoxTable.h"
#include "ParadoxValueCodec.h"

namespace tabulon::paradox {

namespace {
constexpr int kBlobPointerBytes = 10;
constexpr std::uint8_t kGraphicPrefix = 1, kOlePrefix = 2;
constexpr std::size_t kPicturePrefix = 8;

// The header of an index tree: the file's own when it fits `keyFields`, else a new one (a
// damaged or missing tree is replaced whole).
ParadoxHeader treeHeader(const PagedFile& file, FileKind kind, const std::vector<ParadoxField>& keyFields,
                         const ParadoxHeader& table) {
    int keyBytes = 0;
    for (const auto& f : keyFields) keyBytes += f.bytes;
    const int entryBytes = keyBytes + ParadoxIndexTree::kEntryTail;
    if (file.size() > 0) {
        try {
            ParadoxHeader existing = ParadoxHeader::read(file);
            if (existing.isIndexTree() && existing.recordSize == entryBytes) return existing;
        } catch (const EngineError&) {
        }
    }
    ParadoxHeaderSpec spec;
    spec.kind = kind;
    spec.versionByte = table.versionByte;
    spec.blockKiB = std::max(2, std::min(32, (entryBytes * 3 + 6 + 1023) / 1024));  // three entries at least
    spec.fields = keyFields;
    spec.tableName = file.path().filename().string();
    spec.sortOrderId = table.sortOrderId;
    return buildParadoxHeader(spec);
}
}  // namespace

void ParadoxTable::requireWritable() const {
    if (options_.access != AccessMode::ReadWrite)
        throw EngineError(errkind::kUsage, path_.filename().string() + " is open for reading only");
}

void ParadoxTable::enlistFamily(Transaction& transaction) {
    transaction.enlist(data_->file());
    if (blobs_) transaction.enlist(blobs_->file());
    if (data_->header().keyFieldCount > 0) {
        if (!pxFile_) pxFile_.emplace(PagedFile::createNew(path_.parent_path() / (path_.stem().string() + ".PX")));
        transaction.enlist(*pxFile_);
    }
    for (const auto& index : secondaries_) {
        if (!index.maintained || !index.definition.usable || data_->header().keyFieldCount == 0) continue;
        SecondaryFiles& files = secondaryFiles(index);
        if (!files.data) continue;
        transaction.enlist(files.data->file());
        if (!files.tree)
            files.tree.emplace(PagedFile::createNew(
                index.dataPath.parent_path() / ParadoxSecondaryIndex::treeFileName(index.dataPath.filename().string())));
        transaction.enlist(*files.tree);
    }
    transaction.enlist(static_cast<TransactionParticipant&>(*this));
}

template <typename Op>
auto ParadoxTable::inTransaction(Op op) -> decltype(op()) {
    requireWritable();
    if (transaction_) {
        enlistFamily(*transaction_);
        return op();
    }
    Transaction own(path_.string() + Transaction::kJournalExtension);
    enlistFamily(own);
    if constexpr (std::is_void_v<decltype(op())>) {
        op();
        own.commit();
    } else {
        auto result = op();
        own.commit();
        return result;
    }
}

void ParadoxTable::setTransaction(Transaction* transaction) { transaction_ = transaction; }

void ParadoxTable::storeBlob(const Value& value, const ParadoxField& field, const std::string& name, std::uint8_t* out) {
    const int leader = field.bytes - kBlobPointerBytes;
    std::memset(out, 0, static_cast<std::size_t>(field.bytes));
    if (value.isNull()) return;
    Bytes data;
    const FieldType type = field.type.fieldType;
    if (type == ftMemo || type == ftFmtMemo) {
        const std::string text = value.convertTo(ValueKind::String).asString();
        const auto encoded = codec_->encode(text);
        if (!encoded)
            throw EngineError(errkind::kValue, "Field " + name + ": the text holds a character that code page " +
                                                   codec_->name() + " lacks");
        data.assign(encoded->begin(), encoded->end());
    } else {
        Value bytes;
        try {
            bytes = value.convertTo(ValueKind::Bytes);
        } catch (const EngineError& e) {
            throw EngineError(errkind::kValue, "Field " + name + ": " + e.message());
        }
        data = bytes.asBytes();
    }
    if (data.empty()) return;
    const bool picture = type == ftGraphic || type == ftParadoxOle;
    // The leader holds the first bytes of the value (of the picture itself, after its prefix).
    std::copy_n(data.begin(), std::min<std::size_t>(data.size(), static_cast<std::size_t>(leader)), out);
    if (picture) {
        Bytes prefixed(kPicturePrefix);
        prefixed[0] = 1;
        prefixed[3] = type == ftGraphic ? kGraphicPrefix : kOlePrefix;
        putLe32(prefixed.data() + 4, static_cast<std::uint32_t>(data.size()));
        prefixed.insert(prefixed.end(), data.begin(), data.end());
        data = std::move(prefixed);
    }
    if (data.size() > 0x7FFFFFFF) throw EngineError(errkind::kValue, "Field " + name + ": the value is too long");
    std::uint32_t location = 0;
    if (picture || data.size() > static_cast<std::size_t>(leader)) {
        if (!blobs_) throw EngineError(errkind::kFile, path_.stem().string() + ".MB is missing; field " + name +
                                                           " cannot be stored");
        location = blobs_->store(data);
    }
    putLe32(out + leader, location);
    putLe32(out + leader + 4, static_cast<std::uint32_t>(data.size()));
}

void ParadoxTable::releaseBlobs(const std::uint8_t* raw) {
    if (!blobs_) return;
    for (const ParadoxField& f : data_->header().fields) {
        if (!f.type.blob) continue;
        const std::uint32_t location = le32(raw + f.offset + f.bytes - kBlobPointerBytes);
        if (location != 0) blobs_->release(location);
    }
}

std::vector<std::uint8_t> ParadoxTable::encodeRecord(const Record& values, bool assignAutoIncrement) {
    ParadoxHeader& h = data_->header();
    if (values.size() != h.fields.size())
        throw EngineError(errkind::kValue, path_.filename().string() + " has " + std::to_string(h.fields.size()) +
                                               " fields, the record " + std::to_string(values.size()));
    std::vector<std::uint8_t> raw(static_cast<std::size_t>(h.recordSize), 0);
    for (std::size_t i = 0; i < h.fields.size(); ++i) {
        const ParadoxField& f = h.fields[i];
        Value value = values[i];
        if (f.type.fieldType == ftAutoInc) {
            if (value.isNull() && assignAutoIncrement) value = Value::integer(static_cast<std::int64_t>(h.autoIncrement) + 1);
            if (!value.isNull()) {
                const std::int64_t n = value.convertTo(ValueKind::Integer).asInt();
                if (n > static_cast<std::int64_t>(h.autoIncrement) && n <= 0x7FFFFFFF)
                    h.autoIncrement = static_cast<std::uint32_t>(n);
            }
        }
        if (f.type.blob)
            storeBlob(value, f, fields_[i].name, raw.data() + f.offset);
        else
            ParadoxValueCodec::encode(value, f, fields_[i].name, *codec_, raw.data() + f.offset);
    }
    return raw;
}

ParadoxTable::KeySlot ParadoxTable::findKeySlot(const std::uint8_t* key) {
    const ParadoxKeyOrder order = primaryOrder();
    const auto& blocks = data_->blocks();
    std::vector<std::uint8_t> record(raw_.size());
    // The last non-empty block whose first key is <= key receives it.
    std::size_t low = 0, high = blocks.size();
    while (low < high) {
        const std::size_t mid = low + (high - low) / 2;
        std::size_t probe = mid;
        while (probe < high && blocks[probe].records == 0) ++probe;
        if (probe == high) {
            high = mid;
            continue;
        }
        data_->readRecord(blocks[probe].number, 0, record.data());
        if (order.compare(record.data(), key) <= 0)
            low = probe + 1;
        else
            high = mid;
    }
    KeySlot slot;
    if (blocks.empty()) return slot;
    slot.chainIndex = low == 0 ? 0 : low - 1;
    const auto& block = blocks[slot.chainIndex];
    int lo = 0, hi = block.records;
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        data_->readRecord(block.number, mid, record.data());
        if (order.compare(record.data(), key) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    slot.record = lo;
    if (lo < block.records) {
        data_->readRecord(block.number, lo, record.data());
        slot.found = order.compare(record.data(), key) == 0;
    }
    return slot;
}

void ParadoxTable::keyViolation(const std::uint8_t* raw) const {
    const ParadoxHeader& h = data_->header();
    std::string key;
    for (int i = 0; i < h.keyFieldCount; ++i) {
        const ParadoxField& f = h.fields[static_cast<std::size_t>(i)];
        key += (i ? ", " : "") + ParadoxValueCodec::decode(raw + f.offset, f, *codec_).toText();
    }
    throw EngineError(errkind::kKeyViolation,
                      "Key violation in " + path_.filename().string() + ": the key (" + key + ") exists already");
}

RecordId ParadoxTable::insertRaw(const std::uint8_t* raw) {
    const int capacity = data_->recordsPerBlock();
    const bool keyed = data_->header().keyFieldCount > 0;
    if (data_->blocks().empty()) {
        const std::size_t first = data_->addBlockAfter(-1);
        data_->insertRecord(first, 0, raw);
        return makeRecordId(data_->blocks()[first].number, 0);
    }
    KeySlot slot;
    if (keyed) {
        slot = findKeySlot(raw);
        if (slot.found) keyViolation(raw);
    } else {
        slot.chainIndex = data_->blocks().size() - 1;
        slot.record = data_->blocks().back().records;
    }
    std::size_t target = slot.chainIndex;
    int at = slot.record;
    const int records = data_->blocks()[target].records;
    if (records >= capacity) {
        const bool lastBlock = target + 1 == data_->blocks().size();
        const std::size_t fresh = data_->addBlockAfter(static_cast<long>(target));
        if (lastBlock && at == records) {
            // Growing at the end: a fresh block, not a half-empty split.
            target = fresh;
            at = 0;
        } else {
            const int half = records / 2;
            data_->moveRecords(target, half, fresh);
            if (at > half) {
                target = fresh;
                at -= half;
            }
        }
    }
    data_->insertRecord(target, at, raw);
    return makeRecordId(data_->blocks()[target].number, at);
}

RecordId ParadoxTable::append(const Record& values) {
    return inTransaction([&] {
        const auto raw = encodeRecord(values, true);
        changed_ = true;
        return insertRaw(raw.data());
    });
}

RecordId ParadoxTable::update(RecordId id, const Record& values) {
    return inTransaction([&] {
        const auto at = positionOf(id);
        const int block = data_->blocks()[at.chainIndex].number;
        std::vector<std::uint8_t> old(raw_.size());
        data_->readRecord(block, at.record, old.data());
        const auto raw = encodeRecord(values, false);
        changed_ = true;
        const ParadoxHeader& h = data_->header();
        const int keyBytes = primaryOrder().keyBytes();
        if (h.keyFieldCount == 0 || std::memcmp(old.data(), raw.data(), static_cast<std::size_t>(keyBytes)) == 0) {
            data_->writeRecord(at.chainIndex, at.record, raw.data());
            releaseBlobs(old.data());
            return id;
        }
        const KeySlot clash = findKeySlot(raw.data());
        if (clash.found && !(data_->blocks()[clash.chainIndex].number == block && clash.record == at.record))
            keyViolation(raw.data());
        data_->removeRecord(at.chainIndex, at.record);
        releaseBlobs(old.data());
        return insertRaw(raw.data());
    });
}

void ParadoxTable::remove(RecordId id) {
    inTransaction([&] {
        const auto at = positionOf(id);
        std::vector<std::uint8_t> old(raw_.size());
        data_->readRecord(data_->blocks()[at.chainIndex].number, at.record, old.data());
        changed_ = true;
        data_->removeRecord(at.chainIndex, at.record);
        releaseBlobs(old.data());
    });
}

void ParadoxTable::empty() {
    inTransaction([&] {
        changed_ = true;
        data_->clear();
        if (blobs_) {
            const Bytes header = ParadoxBlobFile::emptyFile();
            blobs_->file().truncate(0);
            blobs_->file().write(0, header.data(), header.size());
        }
    });
}

void ParadoxTable::pack() {
    // Records never leave holes in a Paradox table; packing fills every block and drops the
    // free blocks, then the indexes are rebuilt at commit.
    inTransaction([&] {
        changed_ = true;
        std::vector<std::uint8_t> all;
        for (const auto& block : data_->blocks())
            for (int r = 0; r < block.records; ++r) {
                data_->readRecord(block.number, r, raw_.data());
                all.insert(all.end(), raw_.begin(), raw_.end());
            }
        data_->clear();
        const std::size_t size = raw_.size();
        const std::size_t count = all.size() / size;
        data_->fillCleared(count, [&](std::size_t i) { return all.data() + i * size; });
    });
}

void ParadoxTable::regenerateIndexes() {
    // A changed table has its indexes rebuilt from the records at commit.
    inTransaction([&] { changed_ = true; });
}

void ParadoxTable::rebuildPrimaryIndex() {
    const ParadoxHeader& h = data_->header();
    const int keyBytes = primaryOrder().keyBytes();
    std::vector<ParadoxIndexTree::Leaf> leaves;
    for (const auto& block : data_->blocks()) {
        if (block.records == 0) continue;
        data_->readRecord(block.number, 0, raw_.data());
        leaves.push_back({std::vector<std::uint8_t>(raw_.begin(), raw_.begin() + keyBytes), block.number, block.records});
    }
    ParadoxHeader tree = treeHeader(*pxFile_, FileKind::PrimaryIndex,
                                    std::vector<ParadoxField>(h.fields.begin(), h.fields.begin() + h.keyFieldCount), h);
    writeParadoxIndexTree(*pxFile_, tree, leaves, h.raw[ParadoxHeader::kChangeCounter]);
}

void ParadoxTable::rebuildSecondaryIndex(const ParadoxSecondaryIndex& index) {
    SecondaryFiles& files = secondaryFiles(index);
    if (!files.data || !files.tree) return;
    ParadoxDataFile& x = *files.data;
    const ParadoxHeader& h = data_->header();
    const ParadoxHeader& xh = x.header();
    const std::size_t own = index.tableFields.size();
    const auto keyCount = static_cast<std::size_t>(xh.keyFieldCount);
    const ParadoxField& hint = xh.fields[keyCount];
    std::vector<ParadoxKeyOrder::KeyField> keys;
    for (std::size_t i = 0; i < keyCount; ++i) keys.push_back({xh.fields[i], i < own && index.descending[i]});
    const ParadoxKeyOrder order(keys, *collation_, (index.definition.options & ixCaseInsensitive) != 0);

    // One entry per record: its indexed fields (upper-cased for a case-insensitive index), the
    // primary key, and the exact block that holds it.
    const auto entrySize = static_cast<std::size_t>(xh.recordSize);
    std::vector<std::uint8_t> entries;
    entries.reserve(entrySize * data_->recordCount());
    const int primaryBytes = primaryOrder().keyBytes();
    for (const auto& block : data_->blocks())
        for (int r = 0; r < block.records; ++r) {
            data_->readRecord(block.number, r, raw_.data());
            const std::size_t at = entries.size();
            entries.resize(at + entrySize, 0);
            std::uint8_t* e = entries.data() + at;
            for (std::size_t i = 0; i < own; ++i) {
                const ParadoxField& source = h.fields[static_cast<std::size_t>(index.tableFields[i])];
                std::memcpy(e + xh.fields[i].offset, raw_.data() + source.offset, static_cast<std::size_t>(source.bytes));
            }
            std::memcpy(e + xh.fields[own].offset, raw_.data(), static_cast<std::size_t>(primaryBytes));
            order.foldCase(e);
            ParadoxValueCodec::encode(Value::integer(block.number), hint, "Blk Num", *codec_, e + hint.offset);
        }
    const std::size_t count = entries.size() / entrySize;
    std::vector<std::size_t> sorted(count);
    for (std::size_t i = 0; i < count; ++i) sorted[i] = i;
    std::stable_sort(sorted.begin(), sorted.end(), [&](std::size_t a, std::size_t b) {
        return order.compare(entries.data() + a * entrySize, entries.data() + b * entrySize) < 0;
    });
    if (index.definition.options & ixUnique)
        for (std::size_t i = 1; i < count; ++i) {
            const std::uint8_t* a = entries.data() + sorted[i - 1] * entrySize;
            if (order.compare(a, entries.data() + sorted[i] * entrySize, own) != 0) continue;
            std::string key;
            for (std::size_t f = 0; f < own; ++f)
                key += (f ? ", " : "") + ParadoxValueCodec::decode(a + xh.fields[f].offset, xh.fields[f], *codec_).toText();
            throw EngineError(errkind::kKeyViolation, "Key violation in " + path_.filename().string() + ": index " +
                                                          index.definition.name + " holds (" + key + ") twice");
        }

    x.clear();
    x.fillCleared(count, [&](std::size_t i) { return entries.data() + sorted[i] * entrySize; });
    x.header().raw[ParadoxHeader::kChangeCounter] = static_cast<std::uint8_t>(x.header().raw[ParadoxHeader::kChangeCounter] + 1);
    x.writeHeader();

    const auto keyBytes = static_cast<std::size_t>(order.keyBytes());
    std::vector<ParadoxIndexTree::Leaf> leaves;
    std::vector<std::uint8_t> first(entrySize);
    for (const auto& block : x.blocks()) {
        x.readRecord(block.number, 0, first.data());
        leaves.push_back({std::vector<std::uint8_t>(first.begin(), first.begin() + static_cast<std::ptrdiff_t>(keyBytes)),
                          block.number, block.records});
    }
    ParadoxHeader tree = treeHeader(
        *files.tree, xh.kind == FileKind::CompositeMaintained ? FileKind::CompositeIndexTree : FileKind::SecondaryIndexTree,
        std::vector<ParadoxField>(xh.fields.begin(), xh.fields.begin() + static_cast<std::ptrdiff_t>(keyCount)), h);
    writeParadoxIndexTree(*files.tree, tree, leaves, x.header().raw[ParadoxHeader::kChangeCounter]);
}

void ParadoxTable::prepareCommit() {
    if (!changed_) return;
    ParadoxHeader& h = data_->header();
    h.raw[ParadoxHeader::kChangeCounter] = static_cast<std::uint8_t>(h.raw[ParadoxHeader::kChangeCounter] + 1);
    data_->writeHeader();
    if (h.keyFieldCount > 0) {
        rebuildPrimaryIndex();
        for (const auto& index : secondaries_)
            if (index.maintained && index.definition.usable) rebuildSecondaryIndex(index);
    }
    if (blobs_) blobs_->touch();
}

void ParadoxTable::reloadAfterDiskChange() {
    changed_ = false;
    data_->reload(problems_);
    secondaryFiles_.clear();
    secondaryTrees_.clear();
    primaryTree_.reset();
    if (pxFile_ && pxFile_->size() > 0) primaryTree_ = readTree(*pxFile_, *data_, primaryOrder().keyBytes(), false);
    if (blobs_) blobs_->file().discardPendingWrites();
}

void ParadoxTable::afterCommit() {
    changed_ = false;
    primaryTree_.reset();
    secondaryTrees_.clear();
    if (pxFile_ && pxFile_->size() > 0) primaryTree_ = readTree(*pxFile_, *data_, primaryOrder().keyBytes(), false);
}

void ParadoxTable::afterRollback() { reloadAfterDiskChange(); }

void ParadoxTable::refresh() {
    data_->file().refresh();
    if (pxFile_) pxFile_->refresh();
    if (blobs_) blobs_->file().refresh();
    reloadAfterDiskChange();
}

}  // namespace tabulon::paradox
