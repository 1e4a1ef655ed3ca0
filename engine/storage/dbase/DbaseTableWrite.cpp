// The writing half of DbaseTable: appends, updates, deletions, pack and empty, each committed
// through the engine's rollback journal together with the header upkeep.
#include <algorithm>
#include <cstring>
#include <ctime>
#include <optional>

#include "../../core/EngineError.h"
#include "ByteOrder.h"
#include "CdxFile.h"
#include "CdxRebuild.h"
#include "DbaseTable.h"
#include "IndexCatalog.h"
#include "MdxFile.h"
#include "MemoFile.h"
#include "NdxFile.h"
#include "ProductionIndex.h"
#include "RecordDecoder.h"
#include "RecordEncoder.h"

namespace tabulon::dbase {

namespace {
// Longer than a clock tick (at most 10 ms), with a wide margin for coarse file systems.
constexpr std::int64_t kSettleNanoseconds = 100'000'000;
}  // namespace

template <typename Change>
auto DbaseTable::write(const char* what, Change&& change) {
    if (transaction_) {
        enlistIn(*transaction_, what);
        return change();
    }
    Transaction own(path_.string() + Transaction::kJournalExtension);
    enlistIn(own, what);
    return commitAfter(own, change);
}

void DbaseTable::enlistIn(Transaction& transaction, const char* what) {
    if (options_.access != AccessMode::ReadWrite)
        throw EngineError(errkind::kUsage, "Cannot " + std::string(what) + " " + path_.filename().string() +
                                               ": it is open for reading only");
    if (!writing_) {
        dbf_.file().lockWriting();
        writing_ = true;
        // Enlisted first, so the transaction's end lets go of the lock whatever fails next.
        transaction.enlist(static_cast<TransactionParticipant&>(*this));
        catchUp();
    }
    requireWritable(what);
    transaction.enlist(dbf_);
    if (memo_) transaction.enlist(memo_->file());
    if (production_) transaction.enlist(production_->file());
    for (NdxFile* ndx : attached<NdxFile>()) transaction.enlist(ndx->file());
    for (CdxFile* cdx : attached<CdxFile>()) transaction.enlist(cdx->file());
    transaction.enlist(static_cast<TransactionParticipant&>(*this));
}

void DbaseTable::requireWritable(const char* what) const {
    const std::string file = path_.filename().string();
    if (options_.access != AccessMode::ReadWrite)
        throw EngineError(errkind::kUsage,
                          "Cannot " + std::string(what) + " " + file + ": it is open for reading only");
    for (const IndexFile* index : catalog_->files())
        if (index != production_ && index->format() == IndexFormat::Mdx)
            throw EngineError(errkind::kNotSupported,
                              "Cannot " + std::string(what) + " " + file + ": its index " +
                                  index->path().filename().string() +
                                  " is not its production index, which this build cannot keep up to date");
    for (const IndexDef& tag : catalog_->definitions())
        if (!tag.usable)
            throw EngineError(errkind::kNotSupported, "Cannot " + std::string(what) + " " + file + ": the tag " +
                                                          tag.name + " of " + tag.file + " cannot be evaluated (" +
                                                          tag.problem + "), so it could not be kept up to date");
    if (const std::vector<std::string> problems = catalog_->upkeepProblems(); !problems.empty())
        throw EngineError(errkind::kNotSupported, "Cannot " + std::string(what) + " " + file + ": " + problems.front() +
                                                      ", so it could not be kept up to date");
    for (const IndexFile* index : catalog_->files())
        if (!index->skipped().empty())
            throw EngineError(errkind::kNotSupported, "Cannot " + std::string(what) + " " + file + ": a tag of " +
                                                          index->path().filename().string() +
                                                          " is damaged, so it could not be kept up to date");
    for (const CdxFile* cdx : attached<CdxFile>())
        for (std::size_t t = 0; t < cdx->tags().size(); ++t)
            if (!cdxKeysCanBeMade(catalog_->layoutOf(*cdx, t)))
                throw EngineError(errkind::kNotSupported,
                                  "Cannot " + std::string(what) + " " + file + ": the keys of tag " +
                                      cdx->tags()[t].def.name + " of " + cdx->path().filename().string() +
                                      " cannot be made by this build, so it could not be kept up to date");
    if (production_) checkProductionTagsHoldEveryRecord(what);
    if (header_.readableRecords != header_.recordCount || header_.recordLength == 0)
        throw EngineError(errkind::kFormat, "Cannot " + std::string(what) + " " + file + ": the file is damaged");
    if (header_.hasMemoFields() && !memo_)
        throw EngineError(errkind::kFile, "Cannot " + std::string(what) + " " + file + ": its memo file is missing");
}

void DbaseTable::checkRecord(RecordId id) const {
    if (id == 0 || id > header_.recordCount)
        throw EngineError(errkind::kValue, path_.filename().string() + " has no record " + std::to_string(id));
}

void DbaseTable::setTransaction(Transaction* transaction) { transaction_ = transaction; }

void DbaseTable::beginWriting() {
    if (!transaction_)
        throw EngineError(errkind::kUsage,
                          "Cannot begin writing " + path_.filename().string() + ": no transaction is set");
    enlistIn(*transaction_, "write");
}

std::vector<FileStamp> DbaseTable::familyStamps() const {
    std::vector<FileStamp> stamps{dbf_.file().stamp()};
    if (memo_) stamps.push_back(memo_->file().file().stamp());
    for (MdxFile* mdx : attached<MdxFile>()) stamps.push_back(mdx->file().file().stamp());
    for (NdxFile* ndx : attached<NdxFile>()) stamps.push_back(ndx->file().file().stamp());
    for (CdxFile* cdx : attached<CdxFile>()) stamps.push_back(cdx->file().file().stamp());
    return stamps;
}

void DbaseTable::noteStamps() {
    stamps_ = familyStamps();
    struct timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const std::int64_t nowNanoseconds = now.tv_sec * 1'000'000'000LL + now.tv_nsec;
    stampsSettled_ = std::all_of(stamps_.begin(), stamps_.end(), [&](const FileStamp& s) {
        return nowNanoseconds - std::max(s.modified, s.changed) >= kSettleNanoseconds;
    });
}

void DbaseTable::catchUp() {
    // Counters and headers are re-read every time: that costs a few small reads, less than any
    // check that could tell an in-place change made within the same clock tick. Only the count
    // of live records, which takes a pass over the file, is kept while the files show no change.
    const bool unchanged = stampsSettled_ && familyStamps() == stamps_;
    const std::optional<std::uint64_t> live = liveCount_;
    rereadFiles();
    if (unchanged) liveCount_ = live;
}

void DbaseTable::endWriting() {
    if (!writing_) return;
    writing_ = false;
    dbf_.file().unlockWriting();
}

void DbaseTable::encodeRecord(const Record& values, std::uint8_t* record, bool appending) {
    const auto& visible = decoder_->visible();
    if (values.size() != visible.size())
        throw EngineError(errkind::kValue, path_.filename().string() + " has " + std::to_string(visible.size()) +
                                               " fields; " + std::to_string(values.size()) + " values were given");
    // Every value is checked on a copy first, so a refusal leaves the files untouched.
    std::vector<std::uint8_t> draft(record, record + header_.recordLength);
    std::vector<std::string> memoData(visible.size());
    for (std::size_t i = 0; i < visible.size(); ++i) {
        const FieldLayout& f = *visible[i];
        Value value = values[i];
        if (appending && f.def.type == ftAutoInc && value.isNull()) {
            FieldLayout& counter = header_.fields[static_cast<std::size_t>(&f - header_.fields.data())];
            value = Value::integer(counter.autoIncrementNext);
            counter.autoIncrementNext += std::max<std::uint32_t>(1, counter.autoIncrementStep);
        }
        if (f.storage == Storage::MemoPointer)
            memoData[i] = encoder_->memoBytes(f, fields_[i].name, value);
        else
            encoder_->encode(f, fields_[i].name, value, draft.data());
    }
    for (std::size_t i = 0; i < visible.size(); ++i) {
        const FieldLayout& f = *visible[i];
        if (f.storage != Storage::MemoPointer) continue;
        std::uint32_t old = 0;
        if (!appending) {
            const std::uint8_t* p = record + f.offset;
            if (f.length == 4)
                old = le32(p);
            else
                old = static_cast<std::uint32_t>(
                    std::strtoul(std::string(reinterpret_cast<const char*>(p), f.length).c_str(), nullptr, 10));
        }
        const std::uint32_t block = memo_->write(memoData[i], old, f.def.type != ftMemo, fields_[i].name);
        encoder_->encodeMemoPointer(f, block, draft.data());
    }
    std::memcpy(record, draft.data(), draft.size());
}

void DbaseTable::writeSlot(std::uint64_t slot, const std::uint8_t* record) {
    dbf_.write(header_.headerLength + slot * header_.recordLength, record, header_.recordLength);
    forgetWindow();
    changed_ = true;
}

RecordId DbaseTable::append(const Record& values) {
    return write("append to", [&] {
        std::vector<std::uint8_t> record(header_.recordLength, ' ');
        for (const FieldLayout& f : header_.fields)
            if (f.storage != Storage::Text && f.storage != Storage::NumericText && f.storage != Storage::DateText &&
                f.storage != Storage::LogicalChar && f.storage != Storage::VarText && f.storage != Storage::MemoPointer)
                std::memset(record.data() + f.offset, 0, f.length);
        record[0] = DbaseHeader::kLiveFlag;
        encodeRecord(values, record.data(), true);
        const std::uint64_t slot = header_.recordCount;
        writeSlot(slot, record.data());
        ++header_.recordCount;
        ++header_.readableRecords;
        if (liveCount_) ++*liveCount_;
        keepIndexes(slot + 1, nullptr, record.data());
        return RecordId{slot + 1};
    });
}

RecordId DbaseTable::update(RecordId id, const Record& values) {
    return write("update", [&] {
        checkRecord(id);
        const std::uint8_t* stored = loadSlot(id - 1);
        const std::vector<std::uint8_t> before(stored, stored + header_.recordLength);
        std::vector<std::uint8_t> record = before;
        encodeRecord(values, record.data(), false);
        writeSlot(id - 1, record.data());
        keepIndexes(id, before.data(), record.data());
        return id;
    });
}

void DbaseTable::remove(RecordId id) {
    write("delete from", [&] {
        checkRecord(id);
        const std::uint8_t* stored = loadSlot(id - 1);
        if (stored[0] == DbaseHeader::kDeletedFlag) return;
        markSlot(id, stored, DbaseHeader::kDeletedFlag);
        if (liveCount_) --*liveCount_;
    });
}

void DbaseTable::markSlot(RecordId id, const std::uint8_t* stored, std::uint8_t flag) {
    const std::vector<std::uint8_t> before(stored, stored + header_.recordLength);
    std::vector<std::uint8_t> after = before;
    after[0] = flag;
    writeSlot(id - 1, after.data());
    keepIndexes(id, before.data(), after.data());
}

void DbaseTable::recall(RecordId id) {
    write("recall in", [&] {
        checkRecord(id);
        const std::uint8_t* stored = loadSlot(id - 1);
        if (stored[0] != DbaseHeader::kDeletedFlag) return;
        markSlot(id, stored, DbaseHeader::kLiveFlag);
        if (liveCount_) ++*liveCount_;
    });
}

void DbaseTable::reindex() {
    write("reindex", [&] {
        changed_ = true;
        rebuildPending_ = true;
    });
}

void DbaseTable::empty() {
    write("empty", [&] {
        dbf_.truncate(header_.headerLength);
        forgetWindow();
        if (memo_) memo_->clear();
        header_.recordCount = header_.readableRecords = 0;
        liveCount_ = 0;
        changed_ = true;
        rebuildPending_ = true;
    });
}

void DbaseTable::regenerateIndexes() {
    WorkReport work(*this, 0);
    reindex();
    work.finish();
}

void DbaseTable::pack() {
    WorkReport work(*this, kPackRecordsShare);
    write("pack", [&] {
        // Live memos are read before the memo file is emptied, then written back compactly. The
        // live records are gathered back to back and written in one piece: one write per record
        // cost more than all the rest of a pack.
        const std::size_t length = header_.recordLength;
        std::vector<std::uint8_t> kept;
        kept.reserve(std::size_t{header_.recordCount} * length);
        std::vector<std::vector<std::string>> memos;
        const auto& visible = decoder_->visible();
        for (std::uint64_t slot = 0; slot < header_.recordCount; ++slot) {
            if (slot % kRecordsPerReport == 0) recordsDone(slot, header_.recordCount);
            const std::uint8_t* record = loadSlot(slot);
            if (record[0] == DbaseHeader::kDeletedFlag) continue;
            kept.insert(kept.end(), record, record + length);
            if (!memo_) continue;
            std::vector<std::string> values(visible.size());
            for (std::size_t i = 0; i < visible.size(); ++i) {
                const FieldLayout& f = *visible[i];
                if (f.storage != Storage::MemoPointer) continue;
                const std::uint8_t* p = record + f.offset;
                const std::uint32_t block =
                    f.length == 4 ? le32(p)
                                  : static_cast<std::uint32_t>(std::strtoul(
                                        std::string(reinterpret_cast<const char*>(p), f.length).c_str(), nullptr, 10));
                values[i] = memo_->read(block);
            }
            memos.push_back(std::move(values));
        }
        const std::size_t count = kept.size() / std::max<std::size_t>(length, 1);
        if (memo_) {
            memo_->clear();
            for (std::size_t r = 0; r < count; ++r)
                for (std::size_t i = 0; i < visible.size(); ++i)
                    if (visible[i]->storage == Storage::MemoPointer)
                        encoder_->encodeMemoPointer(
                            *visible[i], memo_->write(memos[r][i], 0, visible[i]->def.type != ftMemo, fields_[i].name),
                            kept.data() + r * length);
        }
        if (!kept.empty()) dbf_.write(header_.headerLength, kept.data(), kept.size());
        dbf_.truncate(header_.headerLength + std::uint64_t{count} * length);
        forgetWindow();
        header_.recordCount = header_.readableRecords = static_cast<std::uint32_t>(count);
        liveCount_ = count;
        changed_ = true;
        rebuildPending_ = true;
    });
    work.finish();
}

void DbaseTable::prepareCommit() {
    if (!changed_) return;
    std::uint8_t counts[8];
    const std::time_t now = std::time(nullptr);
    std::tm today{};
    localtime_r(&now, &today);
    counts[0] = static_cast<std::uint8_t>(std::clamp(today.tm_year, 0, 255));  // years since 1900
    counts[1] = static_cast<std::uint8_t>(today.tm_mon + 1);
    counts[2] = static_cast<std::uint8_t>(today.tm_mday);
    putLe32(counts + 3, header_.recordCount);
    dbf_.write(1, counts, 7);
    for (std::size_t i = 0; i < header_.fields.size(); ++i) {
        const FieldLayout& f = header_.fields[i];
        if (f.def.type != ftAutoInc) continue;
        std::uint8_t next[4];
        putLe32(next, f.autoIncrementNext);
        const std::uint64_t descriptor = header_.descriptorStart() + i * header_.descriptorSize();
        dbf_.write(descriptor + (header_.dialect == Dialect::DBase7 ? 40 : 19), next, 4);
    }
    const std::uint64_t end = header_.headerLength + std::uint64_t{header_.recordCount} * header_.recordLength;
    dbf_.truncate(std::min(dbf_.size(), end));
    dbf_.write(end, &DbaseHeader::kEndOfFile, 1);
    forgetWindow();
    if (memo_) memo_->writeHeader();
    rebuildIndexes();
}

void DbaseTable::afterCommit() {
    changed_ = false;
    rebuildPending_ = false;
    keptInPlace_ = 0;
    noteStamps();
    endWriting();
}

void DbaseTable::afterRollback() {
    // The lock goes even when the files cannot be read again: the next write catches up anyway.
    struct EndWriting {
        DbaseTable& table;
        ~EndWriting() { table.endWriting(); }
    } end{*this};
    reloadCounters();
    noteStamps();
}

void DbaseTable::reloadCounters() {
    forgetWindow();
    std::uint8_t bytes[4] = {};
    dbf_.read(4, bytes, 4);
    header_.recordCount = le32(bytes);
    const std::uint64_t room = dbf_.size() > header_.headerLength && header_.recordLength
                                   ? (dbf_.size() - header_.headerLength) / header_.recordLength
                                   : 0;
    header_.readableRecords = static_cast<std::uint32_t>(std::min<std::uint64_t>(room, header_.recordCount));
    for (std::size_t i = 0; i < header_.fields.size(); ++i) {
        FieldLayout& f = header_.fields[i];
        if (f.def.type != ftAutoInc) continue;
        const std::uint64_t descriptor = header_.descriptorStart() + i * header_.descriptorSize();
        dbf_.read(descriptor + (header_.dialect == Dialect::DBase7 ? 40 : 19), bytes, 4);
        f.autoIncrementNext = le32(bytes);
    }
    if (memo_) memo_->reload();
    if (production_) production_->reload();
    for (NdxFile* ndx : attached<NdxFile>()) ndx->reload();
    for (CdxFile* cdx : attached<CdxFile>()) cdx->reload();
    liveCount_.reset();
    changed_ = false;
    rebuildPending_ = false;
    keptInPlace_ = 0;
}

}  // namespace tabulon::dbase
