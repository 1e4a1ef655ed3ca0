#include "DbaseTable.h"

#include <algorithm>

#include "../../core/AsciiCase.h"
#include "../../core/EngineError.h"
#include "../../io/Transaction.h"
#include "../Drivers.h"
#include "CdxFile.h"
#include "DbaseCodePages.h"
#include "IndexCatalog.h"
#include "MdxFile.h"
#include "MemoFile.h"
#include "NdxFile.h"
#include "ProductionIndex.h"
#include "RecordDecoder.h"
#include "RecordEncoder.h"

namespace tabulon::dbase {

namespace {
constexpr std::uint8_t kDeletedFlag = DbaseHeader::kDeletedFlag;
constexpr std::uint8_t kLiveFlag = DbaseHeader::kLiveFlag;
constexpr int kDefaultCodePage = 437;
constexpr std::uint64_t kWindowBytes = 64 * 1024;

// A leftover journal is put back before anything of the table is read.
PagedFile openRecovered(const std::filesystem::path& path, AccessMode access) {
    Transaction::recoverFolder(path.parent_path().empty() ? "." : path.parent_path());
    return PagedFile::open(path, access);
}

std::string hexByte(std::uint8_t b) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return std::string("0x") + kDigits[b >> 4] + kDigits[b & 15];
}
}  // namespace

DbaseTable::DbaseTable(const StorageDriver& driver, const std::filesystem::path& path, const OpenOptions& options)
    : driver_(driver), path_(path), options_(options), dbf_(openRecovered(path, options.access)) {
    dbf_.file().lock(options_.share);
    const CommittedStateRead steady(dbf_.file());
    dbf_.refresh();  // the size as of the lock: a commit may have been writing at the open
    header_ = readHeader(dbf_);
    const std::string file = path_.filename().string();
    for (const HeaderProblem& p : header_.problems) {
        if (p.damage && !options_.tolerant) throw EngineError(errkind::kFormat, file + ": " + p.message);
        addProblem(file, p.message);
    }
    openMemo();  // before the code page: memo text is part of its guess
    chooseCodec();
    decoder_ = std::make_unique<RecordDecoder>(header_, *codec_, memo_.get());
    for (const FieldLayout* f : decoder_->visible()) {
        FieldDef def = f->def;
        def.name = codec_->decode(f->rawName);
        fields_.push_back(std::move(def));
    }
    encoder_ = std::make_unique<RecordEncoder>(header_, *codec_, path_.filename().string());
    catalog_ = std::make_unique<IndexCatalog>(fields_, *codec_);
    openStructuralIndex();
    noteStamps();
}

DbaseTable::~DbaseTable() = default;

void DbaseTable::addProblem(const std::string& file, const std::string& message) {
    problems_.push_back({file, message});
}

void DbaseTable::chooseCodec() {
    const std::string file = path_.filename().string();
    if (!options_.encoding.empty()) {
        codec_ = std::make_unique<TextCodec>(options_.encoding);
        codePage_ = {codec_->name(), CodePageSource::User, {}};
        return;
    }
    std::optional<int> codePage;
    if (header_.dialect == Dialect::DBase7 && !header_.languageDriverName.empty())
        codePage = codePageForDriverName(header_.languageDriverName);
    if (!codePage && header_.languageDriver != 0) {
        codePage = codePageForLanguageDriver(header_.languageDriver);
        if (!codePage)
            addProblem(file, "the language driver byte " + hexByte(header_.languageDriver) +
                                 " names no known code page; the code page is guessed from the text");
    }
    const std::string fallback = TextCodec::nameForCodePage(kDefaultCodePage);
    codePage_ =
        chooseCodePage(codePage ? TextCodec::nameForCodePage(*codePage) : std::string(), fallback, sampleText());
    try {
        codec_ = std::make_unique<TextCodec>(codePage_.codePage);
    } catch (const EngineError&) {
        addProblem(file, "code page " + codePage_.codePage + " is not supported; text is read as " + fallback +
                             " unless another is given");
        codec_ = std::make_unique<TextCodec>(fallback);
        codePage_.codePage = fallback;
    }
}

TextSample DbaseTable::sampleText() const {
    TextSample sample;
    for (const FieldLayout& f : header_.fields) sample.add(f.rawName);
    std::vector<FieldLayout> text, memos;
    for (const FieldLayout& f : header_.fields) {
        if (!f.readable) continue;
        if (f.letter == 'C' || f.letter == 'V') text.push_back(f);
        if (f.def.type == ftMemo && memo_) memos.push_back(f);
    }
    std::string record(header_.recordLength, '\0');
    const auto eachRecord = [&](const std::vector<FieldLayout>& fields, const auto& addField) {
        for (std::uint64_t slot = 0; !fields.empty() && slot < header_.readableRecords && !sample.full(); ++slot) {
            dbf_.read(header_.headerLength + slot * header_.recordLength, record.data(), record.size());
            for (const FieldLayout& f : fields) addField(f);
        }
    };
    // Character fields first: memos, read block by block, only fill what they leave.
    eachRecord(text, [&](const FieldLayout& f) { sample.add(std::string_view(record).substr(f.offset, f.length)); });
    eachRecord(memos, [&](const FieldLayout& f) {
        const auto block = memoBlockOf(f, reinterpret_cast<const std::uint8_t*>(record.data()) + f.offset);
        sample.passOver(f.length);  // so that a run of empty memos ends the look too
        if (!block || *block == 0) return;
        try {
            sample.add(memo_->read(*block));
        } catch (const EngineError&) {
            // A damaged memo is reported when its record is read; the guess does without it.
        }
    });
    return sample;
}

void DbaseTable::openMemo() {
    if (!header_.hasMemoFields()) return;
    const MemoKind preferred = memoKindFor(header_.dialect);
    const std::string stem = path_.stem().string();
    const std::filesystem::path folder = path_.parent_path();
    MemoKind kind = preferred;
    std::filesystem::path memoPath =
        findFileIgnoringCase(folder, stem + (preferred == MemoKind::Fpt ? ".FPT" : ".DBT"));
    if (memoPath.empty()) {
        // Some writers pair a memo file with a version byte of the other family.
        kind = preferred == MemoKind::Fpt ? MemoKind::Dbt : MemoKind::Fpt;
        memoPath = findFileIgnoringCase(folder, stem + (kind == MemoKind::Fpt ? ".FPT" : ".DBT"));
    }
    const std::string expected = stem + (preferred == MemoKind::Fpt ? ".FPT" : ".DBT");
    if (memoPath.empty()) {
        if (!options_.tolerant)
            throw EngineError(errkind::kFormat,
                              path_.filename().string() + ": its memo file " + expected + " is missing");
        addProblem(expected, "the memo file is missing; memo fields read as empty");
        return;
    }
    const bool dbase3 = header_.version == 0x83 || header_.dialect == Dialect::FoxBase;
    memo_ = std::make_unique<MemoFile>(PagedFile::open(memoPath, options_.access), kind, dbase3);
}

void DbaseTable::openStructuralIndex() {
    if (!(header_.tableFlags & 0x01)) return;
    const bool fox = memoKindFor(header_.dialect) == MemoKind::Fpt;
    const std::string stem = path_.stem().string();
    const std::string expected = stem + (fox ? ".CDX" : ".MDX");
    std::filesystem::path indexPath = findFileIgnoringCase(path_.parent_path(), expected);
    // A FoxPro table without memo fields carries the dBase version byte, so its structural
    // .CDX must be found by name; left out, its tags would go stale on the next write.
    if (indexPath.empty()) indexPath = findFileIgnoringCase(path_.parent_path(), stem + (fox ? ".MDX" : ".CDX"));
    try {
        if (indexPath.empty())
            throw EngineError(errkind::kFormat,
                              path_.filename().string() + ": its index file " + expected + " is missing");
        IndexFile& index = attachIndex(indexPath);
        production_ = dynamic_cast<MdxFile*>(&index);
    } catch (const EngineError& e) {
        if (!options_.tolerant) throw;
        addProblem(expected, e.message());
    }
}

std::vector<std::string> DbaseTable::indexFiles() const {
    std::vector<std::string> names;
    for (IndexFile* f : catalog_->files()) names.push_back(f->path().filename().string());
    return names;
}

IndexFile& DbaseTable::attachIndex(const std::filesystem::path& indexPath) {
    for (IndexFile* f : catalog_->files())
        if (f->path() == indexPath) return *f;
    PagedFile file = PagedFile::open(indexPath, options_.access);
    const std::string extension = asciiUpper(indexPath.extension().string());
    std::unique_ptr<IndexFile> index;
    if (extension == ".MDX")
        index = std::make_unique<MdxFile>(std::move(file));
    else if (extension == ".CDX")
        index = std::make_unique<CdxFile>(std::move(file));
    else if (extension == ".NDX")
        index = std::make_unique<NdxFile>(std::move(file));
    else
        throw EngineError(errkind::kNotSupported,
                          indexPath.filename().string() + " is not an index file this driver reads");
    for (const std::string& reason : index->skipped()) addProblem(indexPath.filename().string(), reason);
    return catalog_->attach(std::move(index));
}

TableFacts DbaseTable::facts() const {
    TableFacts facts;
    facts.format = driver_.format();
    facts.version = dialectName(header_.dialect) + (header_.hasMemoFields() ? " with memo" : "");
    facts.codePage = codec_->name();
    facts.codePageSource = codePage_.source;
    facts.codePageNote = codePage_.note;
    return facts;
}

std::vector<IndexDef> DbaseTable::indexes() const { return catalog_->definitions(); }

std::vector<TableProblem> DbaseTable::problems() const {
    std::vector<TableProblem> all = problems_;
    if (memo_)
        for (const std::string& m : decoder_->problems()) all.push_back({memo_->path().filename().string(), m});
    return all;
}

std::uint64_t DbaseTable::recordCount() const {
    if (!liveCount_) {
        std::uint64_t live = 0;
        std::uint8_t flag = 0;
        for (std::uint64_t slot = 0; slot < header_.readableRecords; ++slot) {
            dbf_.read(header_.headerLength + slot * header_.recordLength, &flag, 1);
            if (flag != kDeletedFlag) ++live;
        }
        liveCount_ = live;
    }
    return *liveCount_;
}

const std::uint8_t* DbaseTable::loadSlot(std::uint64_t slot) {
    if (slot >= header_.readableRecords)
        throw EngineError(errkind::kValue, path_.filename().string() + " has no record " + std::to_string(slot + 1));
    if (slot < windowFirst_ || slot >= windowFirst_ + windowCount_) {
        // Records are read a window at a time: one call to the file for many records.
        const std::uint64_t count = std::min<std::uint64_t>(
            std::max<std::uint64_t>(1, kWindowBytes / header_.recordLength), header_.readableRecords - slot);
        window_.resize(static_cast<std::size_t>(count * header_.recordLength));
        dbf_.readExact(header_.headerLength + slot * header_.recordLength, window_.data(), window_.size());
        windowFirst_ = slot;
        windowCount_ = count;
    }
    const std::uint8_t* record = window_.data() + (slot - windowFirst_) * header_.recordLength;
    const std::uint8_t flag = record[0];
    if (flag != kLiveFlag && flag != kDeletedFlag && !suspectFlagSeen_) {
        suspectFlagSeen_ = true;
        addProblem(path_.filename().string(), "record " + std::to_string(slot + 1) + " has the deletion flag " +
                                                  hexByte(flag) + "; it is read as live");
    }
    return record;
}

void DbaseTable::forgetWindow() { windowCount_ = 0; }

bool DbaseTable::readSlot(std::uint64_t slot, Record& out) {
    const std::uint8_t* record = loadSlot(slot);
    if (record[0] == kDeletedFlag) return false;
    decoder_->decode(record, out);
    return true;
}

void DbaseTable::decodeFields(const std::uint8_t* record, const std::vector<std::size_t>& positions, Record& out) {
    const auto& visible = decoder_->visible();
    out.resize(visible.size());
    for (std::size_t position : positions) decoder_->decodeField(*visible.at(position), record, out.at(position));
}

bool DbaseTable::readSlotFields(std::uint64_t slot, const std::vector<std::size_t>& positions, Record& out) {
    const std::uint8_t* record = loadSlot(slot);
    if (record[0] == kDeletedFlag) return false;
    decodeFields(record, positions, out);
    return true;
}

void DbaseTable::readRecordFields(RecordId id, const std::vector<std::size_t>& positions, Record& out) {
    if (id == 0) throw EngineError(errkind::kValue, path_.filename().string() + " has no record 0");
    decodeFields(loadSlot(id - 1), positions, out);
}

void DbaseTable::readRecord(RecordId id, Record& out) {
    if (id == 0) throw EngineError(errkind::kValue, path_.filename().string() + " has no record 0");
    decoder_->decode(loadSlot(id - 1), out);
}

bool DbaseTable::isLive(RecordId id) {
    if (id == 0 || id > header_.readableRecords) return false;
    std::uint8_t flag = 0;
    dbf_.read(header_.headerLength + (id - 1) * header_.recordLength, &flag, 1);
    return flag != kDeletedFlag;
}

std::unique_ptr<KeyCursor> DbaseTable::openIndex(const std::string& name) {
    return openTag(name, [this](RecordId id) { return isLive(id); });
}

std::unique_ptr<KeyCursor> DbaseTable::openIndexEntries(const std::string& name) {
    return openTag(name, [](RecordId) { return true; });
}

std::unique_ptr<KeyCursor> DbaseTable::openTag(const std::string& name, std::function<bool(RecordId)> live) {
    // Only a file beside the table: a name with a folder in it names a tag or nothing.
    if (name.find('/') == std::string::npos) {
        const std::filesystem::path candidate = findFileIgnoringCase(path_.parent_path(), name);
        if (!candidate.empty() && candidate != path_) attachIndex(candidate);
    }
    return catalog_->open(name, std::move(live));
}

void DbaseTable::refresh() {
    const CommittedStateRead steady(dbf_.file());
    rereadFiles();
}

void DbaseTable::rereadFiles() {
    dbf_.refresh();
    if (memo_) memo_->file().refresh();
    if (production_) production_->file().refresh();
    for (NdxFile* ndx : attached<NdxFile>()) ndx->file().refresh();
    for (CdxFile* cdx : attached<CdxFile>()) cdx->file().refresh();
    reloadCounters();
    noteStamps();
}

void DbaseTable::suspendUse() { dbf_.file().unlock(); }

void DbaseTable::resumeUse() { dbf_.file().lock(options_.share); }

}  // namespace tabulon::dbase
