#include "ParadoxTable.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <string_view>

#include "../../core/EngineError.h"
#include "../../io/Transaction.h"
#include "../Drivers.h"
#include "ParadoxBytes.h"
#include "ParadoxChainKeySource.h"
#include "ParadoxCodePage.h"
#include "ParadoxKeyCursor.h"
#include "ParadoxMemoryKeySource.h"
#include "ParadoxValueCodec.h"

namespace tabulon::paradox {

namespace {
constexpr std::size_t kPicturePrefix = 8;

// Graphic and OLE blobs start with 01 00 00 01 (graphic) or 01 00 00 02 (OLE) and the length of
// the rest; the value is what follows.
bool hasPicturePrefix(const Bytes& data) {
    return data.size() >= kPicturePrefix && data[0] == 1 && data[1] == 0 && data[2] == 0 &&
           (data[3] == 1 || data[3] == 2) && le32(data.data() + 4) == data.size() - kPicturePrefix;
}

// The fault without the file name that starts a format error's message.
std::string faultOf(const EngineError& e) {
    const std::string message = e.message();
    const auto colon = message.find(": ");
    return colon == std::string::npos ? message : message.substr(colon + 2);
}

int userFieldSize(const ParadoxField& f) {
    if (f.type.blob) return f.bytes - kBlobPointerBytes;
    if (f.type.fieldType == ftString || f.type.fieldType == ftBytes || f.type.fieldType == ftBCD) return f.sizeByte;
    return 0;
}
}  // namespace

ParadoxTable::ParadoxTable(const StorageDriver& driver, const std::filesystem::path& path, const OpenOptions& options)
    : driver_(driver), path_(path), options_(options), problems_(options.tolerant) {
    Transaction::recoverFolder(path.parent_path().empty() ? std::filesystem::path(".") : path.parent_path());
    // Held through an open of its own, since the table's moves into data_ below; taken before
    // that open reads the file's size.
    File steadyFile = File::open(path, AccessMode::ReadOnly);
    const CommittedStateRead steady(steadyFile);
    PagedFile file = PagedFile::open(path, options.access);
    file.file().lock(options.share);
    data_ = std::make_unique<ParadoxDataFile>(std::move(file), problems_);
    stamp_ = data_->file().file().stamp();
    const ParadoxHeader& h = data_->header();
    if (!h.isTable())
        throw EngineError(errkind::kFormat, path.filename().string() + " is a Paradox index file, not a table");
    // Before the code page: memo text is part of its guess.
    if (std::any_of(h.fields.begin(), h.fields.end(), [](const ParadoxField& f) { return f.type.blob; })) {
        const auto mb = findFileIgnoringCase(path.parent_path(), path.stem().string() + ".MB");
        if (mb.empty())
            problems_.report(path.stem().string() + ".MB", "the blob file is missing; blob values read as empty");
        else
            blobs_.emplace(PagedFile::open(mb, options.access));
    }
    codePage_ = options.encoding.empty()
                    ? chooseCodePage(paradoxNamedCodePage(h), paradoxCodePageName(h, {}), sampleText())
                    : CodePageChoice{options.encoding, CodePageSource::User, {}};
    codec_ = std::make_unique<TextCodec>(codePage_.codePage);
    collation_ = std::make_unique<ParadoxCollation>(h.sortOrderName, *codec_);
    std::string ascii(0x7F, '\0');
    std::iota(ascii.begin(), ascii.end(), '\x01');
    asciiTransparent_ = codec_->decode(ascii) == ascii;
    for (const ParadoxField& f : h.fields) {
        FieldDef def;
        def.name = codec_->decode(f.name);
        def.type = f.type.fieldType;
        def.size = userFieldSize(f);
        def.nativeType = std::string(1, f.type.letter);
        fields_.push_back(def);
    }
    if (h.keyFieldCount > 0) {
        const auto px = findFileIgnoringCase(path.parent_path(), path.stem().string() + ".PX");
        if (!px.empty()) {
            pxFile_.emplace(PagedFile::open(px, options.access));
            primaryTree_ = readTree(*pxFile_, *data_, primaryOrder().keyBytes(), true);
        }
    }
    secondaries_ = ParadoxSecondaryIndex::discover(path, h, fields_, problems_);
    loadValidity();
    raw_.resize(static_cast<std::size_t>(h.recordSize));
}

ParadoxTable::~ParadoxTable() = default;

void ParadoxTable::loadValidity() {
    const auto val = findFileIgnoringCase(path_.parent_path(), path_.stem().string() + ".VAL");
    if (val.empty()) return;
    // Checks are a few hundred bytes; a larger file is not one this program can use.
    constexpr std::uint64_t kMostBytes = 1 << 20;
    const PagedFile file = PagedFile::open(val, AccessMode::ReadOnly);
    if (file.size() > kMostBytes) {
        problems_.report(val.filename().string(), "the file is too large for validity checks; they are not enforced");
        return;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(file.size()));
    file.read(0, bytes.data(), bytes.size());
    try {
        checks_ = parseParadoxValidity(bytes, data_->header(), val.filename().string());
    } catch (const EngineError& e) {
        if (e.kind() != errkind::kFormat) throw;
        problems_.report(val.filename().string(), faultOf(e) + "; its checks are not enforced");
        return;
    }
    for (const auto& check : checks_) fields_[check.field].required = fields_[check.field].required || check.required;
}

std::optional<ParadoxIndexTree> ParadoxTable::readTree(const PagedFile& file, const ParadoxDataFile& data, int keyBytes,
                                                       bool report) {
    std::string why;
    try {
        ParadoxIndexTree tree = ParadoxIndexTree::read(file);
        if (tree.keyBytes() != keyBytes)
            why =
                "its keys have " + std::to_string(tree.keyBytes()) + " bytes, the table's " + std::to_string(keyBytes);
        else
            why = tree.disagreement(data);
        if (why.empty()) return tree;
    } catch (const EngineError& e) {
        if (e.kind() != errkind::kFormat) throw;
        why = faultOf(e);
    }
    if (report)
        problems_.report(file.path().filename().string(), why + "; the key order is read from the table itself");
    return std::nullopt;
}

TableFacts ParadoxTable::facts() const {
    const ParadoxHeader& header = data_->header();
    TableFacts facts{"paradox", header.level(), codec_->name(), header.sortOrderName, codePage_.source, codePage_.note};
    facts.blockSize = static_cast<std::uint32_t>(header.blockSize);
    return facts;
}

TextSample ParadoxTable::sampleText() const {
    const ParadoxHeader& h = data_->header();
    TextSample sample;
    for (const ParadoxField& f : h.fields) sample.add(f.name);
    std::vector<const ParadoxField*> text, memos;
    for (const ParadoxField& f : h.fields) {
        if (f.type.fieldType == ftString && !f.type.blob) text.push_back(&f);
        if (f.type.fieldType == ftMemo) memos.push_back(&f);
    }
    const auto eachRecord = [&](const std::vector<const ParadoxField*>& fields, const auto& addField) {
        for (std::uint64_t slot = 0; !fields.empty() && slot < data_->recordCount() && !sample.full(); ++slot) {
            const auto at = data_->locate(slot);
            const auto* raw =
                reinterpret_cast<const char*>(data_->recordAt(data_->blocks()[at.chainIndex].number, at.record));
            for (const ParadoxField* f : fields) addField(*f, raw + f->offset);
        }
    };
    // Alphanumeric fields first: memos, read from the blob file, only fill what they leave.
    eachRecord(text, [&](const ParadoxField& f, const char* bytes) {
        sample.add(std::string_view(bytes, static_cast<std::size_t>(f.bytes)));
    });
    eachRecord(memos, [&](const ParadoxField& f, const char* bytes) {
        const int leader = f.bytes - kBlobPointerBytes;
        const std::uint32_t location = le32(reinterpret_cast<const std::uint8_t*>(bytes) + leader);
        const std::uint32_t length = le32(reinterpret_cast<const std::uint8_t*>(bytes) + leader + 4);
        sample.passOver(kBlobPointerBytes);  // so that a run of empty memos ends the look too
        if (location == 0) {
            sample.add(std::string_view(bytes, std::min<std::size_t>(length, static_cast<std::size_t>(leader))));
            return;
        }
        if (!blobs_) return;
        try {
            const Bytes memo = blobs_->read(location, length);
            sample.add(std::string_view(reinterpret_cast<const char*>(memo.data()), memo.size()));
        } catch (const EngineError&) {
            // A damaged blob is reported when its record is read; the guess does without it.
        }
    });
    return sample;
}

std::vector<IndexDef> ParadoxTable::indexes() const {
    std::vector<IndexDef> list;
    const ParadoxHeader& h = data_->header();
    if (h.keyFieldCount > 0) {
        IndexDef primary;
        for (int i = 0; i < h.keyFieldCount; ++i)
            primary.fields += (i ? ";" : "") + fields_[static_cast<std::size_t>(i)].name;
        primary.options = ixPrimary | ixUnique;
        primary.file = path_.stem().string() + ".PX";
        list.push_back(primary);
    }
    for (const auto& s : secondaries_) list.push_back(s.definition);
    return list;
}

ParadoxDataFile::Position ParadoxTable::positionOf(RecordId id) const {
    const int block = static_cast<int>(id >> 16);
    const int record = static_cast<int>(id & 0xFFFF);
    const long index = data_->chainIndexOf(block);
    if (index < 0 || record >= data_->chain()[static_cast<std::size_t>(index)].records)
        throw EngineError(errkind::kUsage, path_.filename().string() + ": record id " + std::to_string(id) +
                                               " names no record (the table changed since?)");
    return {static_cast<std::size_t>(index), record};
}

const std::uint8_t* ParadoxTable::slotBytes(std::uint64_t slot) {
    if (slot >= data_->recordCount()) recordIdAt(slot);  // throws, naming the position
    const auto at = data_->locate(slot);
    return data_->recordAt(data_->blocks()[at.chainIndex].number, at.record);
}

bool ParadoxTable::readSlot(std::uint64_t slot, Record& out) {
    decodeRecord(slotBytes(slot), out);
    return true;
}

bool ParadoxTable::readSlotFields(std::uint64_t slot, const std::vector<std::size_t>& positions, Record& out) {
    decodeFields(slotBytes(slot), positions, out);
    return true;
}

RecordId ParadoxTable::recordIdAt(std::uint64_t slot) {
    if (slot >= data_->recordCount())
        throw EngineError(errkind::kUsage,
                          path_.filename().string() + ": there is no record at position " + std::to_string(slot));
    const auto at = data_->locate(slot);
    return makeRecordId(data_->blocks()[at.chainIndex].number, at.record);
}

std::uint64_t ParadoxTable::slotOf(RecordId id) {
    const auto at = positionOf(id);
    return data_->blocks()[at.chainIndex].firstPosition + static_cast<std::uint64_t>(at.record);
}

void ParadoxTable::readRecord(RecordId id, Record& out) {
    const auto at = positionOf(id);
    decodeRecord(data_->recordAt(data_->chain()[at.chainIndex].number, at.record), out);
}

void ParadoxTable::readRecordFields(RecordId id, const std::vector<std::size_t>& positions, Record& out) {
    const auto at = positionOf(id);
    decodeFields(data_->recordAt(data_->blocks()[at.chainIndex].number, at.record), positions, out);
}

void ParadoxTable::decodeFields(const std::uint8_t* raw, const std::vector<std::size_t>& positions, Record& out) {
    const auto& fields = data_->header().fields;
    out.resize(fields.size());
    for (std::size_t position : positions) out.at(position) = decodeField(raw, fields.at(position));
}

void ParadoxTable::decodeRecord(const std::uint8_t* raw, Record& out) {
    const auto& fields = data_->header().fields;
    out.resize(fields.size());
    for (std::size_t i = 0; i < fields.size(); ++i) out[i] = decodeField(raw, fields[i]);
}

Value ParadoxTable::decodeField(const std::uint8_t* raw, const ParadoxField& f) {
    if (f.type.blob) return decodeBlob(raw + f.offset, f);
    if (f.type.fieldType == ftString)
        return ParadoxValueCodec::decodeAlpha(raw + f.offset, static_cast<std::size_t>(f.bytes), *codec_,
                                              asciiTransparent_);
    return ParadoxValueCodec::decode(raw + f.offset, f, *codec_);
}

Value ParadoxTable::decodeBlob(const std::uint8_t* raw, const ParadoxField& field) {
    const int leader = field.bytes - kBlobPointerBytes;
    const std::uint32_t location = le32(raw + leader);
    const std::uint32_t length = le32(raw + leader + 4);
    if (length == 0) return {};
    const bool text = field.type.fieldType == ftMemo || field.type.fieldType == ftFmtMemo;
    if (location == 0) {
        if (length > static_cast<std::uint32_t>(leader)) {
            problems_.report(path_.filename().string(), "a blob of " + std::to_string(length) +
                                                            " bytes claims to fit its " + std::to_string(leader) +
                                                            "-byte leader");
            return {};
        }
        // Short values live in the leader itself; read them from there without a copy.
        if (text) return Value::string(ParadoxValueCodec::decodeText(raw, length, *codec_, asciiTransparent_));
    }
    Bytes data;
    if (location == 0) {
        data.assign(raw, raw + length);
    } else {
        if (!blobs_) return {};
        try {
            data = blobs_->read(location, length);
        } catch (const EngineError& e) {
            if (e.kind() != errkind::kFormat) throw;
            problems_.report(blobs_->file().path().filename().string(), faultOf(e));
            return {};
        }
    }
    if (text) return Value::string(ParadoxValueCodec::decodeText(data.data(), data.size(), *codec_, asciiTransparent_));
    if ((field.type.fieldType == ftGraphic || field.type.fieldType == ftParadoxOle) && hasPicturePrefix(data))
        data.erase(data.begin(), data.begin() + kPicturePrefix);
    return Value::bytes(std::move(data));
}

ParadoxKeyOrder ParadoxTable::primaryOrder() const {
    std::vector<ParadoxKeyOrder::KeyField> keys;
    const ParadoxHeader& h = data_->header();
    for (int i = 0; i < h.keyFieldCount; ++i) keys.push_back({h.fields[static_cast<std::size_t>(i)], false});
    return ParadoxKeyOrder(std::move(keys), *collation_, false);
}

std::optional<RecordId> ParadoxTable::findPrimaryKey(const std::uint8_t* key, int hintBlock) {
    const ParadoxKeyOrder order = primaryOrder();
    const long hinted = data_->chainIndexOf(hintBlock);
    if (hinted >= 0) {
        const auto& block = data_->blocks()[static_cast<std::size_t>(hinted)];
        int low = 0, high = block.records;
        while (low < high) {
            const int mid = low + (high - low) / 2;
            const int c = order.compare(data_->recordAt(block.number, mid), key);
            if (c == 0) return makeRecordId(block.number, mid);
            if (c < 0)
                low = mid + 1;
            else
                high = mid;
        }
        // A block whose records are out of order (a damaged table read tolerantly) is searched whole.
        for (int r = 0; r < block.records; ++r)
            if (order.compare(data_->recordAt(block.number, r), key) == 0) return makeRecordId(block.number, r);
    }
    std::uint64_t low = 0, high = data_->recordCount();
    while (low < high) {
        const std::uint64_t mid = low + (high - low) / 2;
        const auto at = data_->locate(mid);
        const int number = data_->blocks()[at.chainIndex].number;
        const int c = order.compare(data_->recordAt(number, at.record), key);
        if (c == 0) return makeRecordId(number, at.record);
        if (c < 0)
            low = mid + 1;
        else
            high = mid;
    }
    return std::nullopt;
}

std::unique_ptr<KeyCursor> ParadoxTable::openIndex(const std::string& name) {
    const ParadoxHeader& h = data_->header();
    if (name.empty() && h.keyFieldCount > 0) {
        auto source = std::make_unique<ParadoxChainKeySource>(
            *data_, primaryOrder().keyBytes(),
            [](const std::uint8_t*, int block, int record) { return makeRecordId(block, record); },
            primaryTree_ && !changed_ ? &*primaryTree_ : nullptr);
        std::vector<std::string> names;
        for (int i = 0; i < h.keyFieldCount; ++i) names.push_back(fields_[static_cast<std::size_t>(i)].name);
        return std::make_unique<ParadoxKeyCursor>(indexes().front(), std::move(source), primaryOrder(), names, *codec_);
    }
    for (const auto& s : secondaries_)
        if (s.definition.name == name) {
            if (!s.definition.usable)
                throw EngineError(errkind::kValue, "Index \"" + name + "\" of " + path_.filename().string() +
                                                       " cannot be used: " + s.definition.problem);
            return openSecondary(s);
        }
    throw EngineError(errkind::kValue, path_.filename().string() + " has no index named \"" + name + "\"");
}

ParadoxTable::SecondaryFiles& ParadoxTable::secondaryFiles(const ParadoxSecondaryIndex& index) {
    SecondaryFiles& files = secondaryFiles_[index.definition.file];
    if (files.data) return files;
    ProblemLog strict(false);
    const CommittedStateRead steady(data_->file().file());
    try {
        files.data = std::make_unique<ParadoxDataFile>(PagedFile::open(index.dataPath, options_.access), strict);
        const auto treePath = findFileIgnoringCase(
            index.dataPath.parent_path(), ParadoxSecondaryIndex::treeFileName(index.dataPath.filename().string()));
        if (!treePath.empty()) files.tree.emplace(PagedFile::open(treePath, options_.access));
    } catch (const EngineError& e) {
        if (e.kind() != errkind::kFormat) throw;
        files.data.reset();
        problems_.report(index.definition.file, faultOf(e) + "; the index is rebuilt in memory");
    }
    return files;
}

std::unique_ptr<KeyCursor> ParadoxTable::openSecondary(const ParadoxSecondaryIndex& index) {
    const ParadoxHeader& h = data_->header();
    const bool caseInsensitive = (index.definition.options & ixCaseInsensitive) != 0;
    std::vector<std::string> names;
    for (int position : index.tableFields) names.push_back(fields_[static_cast<std::size_t>(position)].name);

    // The index file itself, when it is kept up to date and agrees with the table.
    ParadoxDataFile* file = nullptr;
    SecondaryFiles* files = nullptr;
    if (index.maintained && h.keyFieldCount > 0 && !changed_) {
        files = &secondaryFiles(index);
        file = files->data.get();
    }
    if (file && file->recordCount() == data_->recordCount()) {
        const ParadoxHeader& x = file->header();
        std::vector<ParadoxKeyOrder::KeyField> keys;
        for (std::size_t i = 0; i < static_cast<std::size_t>(x.keyFieldCount) && i < x.fields.size(); ++i)
            keys.push_back({x.fields[i], i < index.descending.size() && index.descending[i]});
        const std::size_t own = index.tableFields.size();
        const ParadoxField primaryStart = x.fields[own];
        const ParadoxField hint = x.fields[static_cast<std::size_t>(x.keyFieldCount)];
        const int keyBytes = ParadoxKeyOrder(keys, *collation_, caseInsensitive).keyBytes();
        auto& tree = secondaryTrees_[index.definition.file];
        if (!tree && files->tree) tree = readTree(*files->tree, *file, keyBytes, false);
        auto source = std::make_unique<ParadoxChainKeySource>(
            *file, keyBytes,
            [this, primaryStart, hint, name = index.definition.file](const std::uint8_t* entry, int, int) {
                const Value block = ParadoxValueCodec::decode(entry + hint.offset, hint, *codec_);
                const auto id =
                    findPrimaryKey(entry + primaryStart.offset, block.isNull() ? 0 : static_cast<int>(block.asInt()));
                if (!id)
                    throw EngineError(errkind::kFormat, name + ": an entry names a record the table does not hold");
                return *id;
            },
            tree ? &*tree : nullptr);
        return std::make_unique<ParadoxKeyCursor>(index.definition, std::move(source),
                                                  ParadoxKeyOrder(std::move(keys), *collation_, caseInsensitive), names,
                                                  *codec_);
    }

    // Otherwise the entries come from the records themselves, in chain order among equals.
    std::vector<ParadoxKeyOrder::KeyField> keys;
    int offset = 0;
    for (std::size_t i = 0; i < index.tableFields.size(); ++i) {
        ParadoxField f = h.fields[static_cast<std::size_t>(index.tableFields[i])];
        f.offset = offset;
        offset += f.bytes;
        keys.push_back({f, index.descending[i]});
    }
    ParadoxKeyOrder order(std::move(keys), *collation_, caseInsensitive);
    auto source = std::make_unique<ParadoxMemoryKeySource>(order.keyBytes());
    std::vector<std::uint8_t> key(static_cast<std::size_t>(order.keyBytes()));
    for (const auto& block : data_->blocks())
        for (int r = 0; r < block.records; ++r) {
            data_->readRecord(block.number, r, raw_.data());
            for (std::size_t i = 0; i < index.tableFields.size(); ++i) {
                const ParadoxField& f = h.fields[static_cast<std::size_t>(index.tableFields[i])];
                std::memcpy(key.data() + order.fields()[i].field.offset, raw_.data() + f.offset,
                            static_cast<std::size_t>(f.bytes));
            }
            order.foldCase(key.data());
            source->add(key.data(), makeRecordId(block.number, r));
        }
    source->sort(order);
    return std::make_unique<ParadoxKeyCursor>(index.definition, std::move(source), std::move(order), names, *codec_);
}

std::optional<bool> ParadoxTable::indexMatchesRecords(const std::string& name) {
    const auto index = std::find_if(secondaries_.begin(), secondaries_.end(),
                                    [&](const ParadoxSecondaryIndex& s) { return s.definition.name == name; });
    if (index == secondaries_.end() || !maintainedFile(*index) || changed_) return std::nullopt;
    const ParadoxDataFile& x = *secondaryFiles(*index).data;
    if (x.recordCount() != data_->recordCount()) return false;
    const ParadoxHeader& xh = x.header();
    const ParadoxKeyOrder order = secondaryOrder(*index, xh);
    // Entries are compared without the block they remember, a hint only.
    const auto keyBytes = static_cast<std::size_t>(order.keyBytes());
    const auto hash = [&](const std::uint8_t* entry) {
        return std::hash<std::string_view>{}({reinterpret_cast<const char*>(entry), keyBytes});
    };
    std::uint64_t expected = 0, stored = 0;
    forEachEntry(*index, xh, order, [&](const std::uint8_t* entry) { expected += hash(entry); });
    for (const auto& block : x.chain())
        for (int r = 0; r < block.records; ++r) stored += hash(x.recordAt(block.number, r));
    return expected == stored;
}

void ParadoxTable::suspendUse() { data_->file().file().unlock(); }

void ParadoxTable::resumeUse() { data_->file().file().lock(options_.share); }

}  // namespace tabulon::paradox
