#include "Transaction.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <thread>

#include "../core/EngineError.h"
#include "FolderEntries.h"
#include "FolderMoves.h"
#include "PagedFile.h"

namespace tabulon {

namespace {
constexpr char kHead[8] = {'T', 'A', 'B', 'J', 'R', 'N', 'L', '1'};
constexpr char kTail[8] = {'T', 'A', 'B', 'J', 'E', 'N', 'D', '1'};

// `hash` carries on a hash of the bytes before these.
std::uint64_t fnv1a(const std::uint8_t* data, std::size_t size, std::uint64_t hash = 14695981039346656037ULL) {
    for (std::size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 1099511628211ULL;
    return hash;
}

class Writer {
public:
    template <typename T>
    void put(T value) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(&value);
        bytes.insert(bytes.end(), p, p + sizeof value);
    }
    void putBytes(const void* data, std::size_t size) {
        const auto* p = static_cast<const std::uint8_t*>(data);
        bytes.insert(bytes.end(), p, p + size);
    }
    // `size` bytes of `file` from `offset` (zeros past its end), read straight in.
    void putFileBytes(const File& file, std::uint64_t offset, std::size_t size) {
        const std::size_t at = bytes.size();
        bytes.resize(at + size);
        file.readAt(offset, bytes.data() + at, size);
    }
    std::vector<std::uint8_t> bytes;
};

class Reader {
public:
    explicit Reader(const std::vector<std::uint8_t>& b) : bytes(b) {}
    template <typename T>
    bool get(T& value) {
        if (bytes.size() - pos < sizeof value) return false;
        std::memcpy(&value, bytes.data() + pos, sizeof value);
        pos += sizeof value;
        return true;
    }
    bool take(std::size_t size, const std::uint8_t*& out) {
        if (bytes.size() - pos < size) return false;
        out = bytes.data() + pos;
        pos += size;
        return true;
    }
    const std::vector<std::uint8_t>& bytes;
    std::size_t pos = 0;
};

// A disk range whose original bytes the journal keeps.
struct Span {
    std::uint64_t offset;
    std::uint32_t length;
};

// The tail a shrinking commit cuts is kept in pieces this large: one read and one record each.
constexpr std::uint64_t kTailPiece = 1 << 20;

// Every disk range a file's commit will change.
std::vector<Span> originalSpans(std::uint64_t diskSize, const std::vector<std::uint64_t>& dirty,
                                std::uint64_t newSize) {
    std::vector<Span> spans;
    auto save = [&](std::uint64_t offset, std::uint64_t end, std::uint64_t piece) {
        for (; offset < end; offset += piece)
            spans.push_back({offset, static_cast<std::uint32_t>(std::min(piece, end - offset))});
    };
    for (const std::uint64_t page : dirty) {
        const std::uint64_t start = page * PagedFile::kPageSize;
        if (start < diskSize && start < newSize)
            save(start, std::min(diskSize, start + PagedFile::kPageSize), PagedFile::kPageSize);
    }
    if (newSize < diskSize) {
        // The tail that ftruncate will cut; start at a page edge the loop above did not save.
        std::uint64_t from = newSize / PagedFile::kPageSize * PagedFile::kPageSize;
        if (std::binary_search(dirty.begin(), dirty.end(), newSize / PagedFile::kPageSize) &&
            newSize % PagedFile::kPageSize != 0)
            from += PagedFile::kPageSize;
        save(from, diskSize, kTailPiece);
    }
    return spans;
}

constexpr const char* kUnfinishedSuffix = ".tmp";

// A committer removes its journal when done, possibly between our listing and our open.
std::optional<File> openIfPresent(const std::filesystem::path& path) {
    try {
        return File::open(path, AccessMode::ReadWrite);
    } catch (const EngineError&) {
        std::error_code ec;
        if (!std::filesystem::exists(path, ec)) return std::nullopt;
        throw;
    }
}

// Writes the journal under a temporary name and renames it into place once complete, holding
// its lock throughout: recover() never sees a journal being written, and leaves alone one whose
// commit is still running (the lock dies with the committing process).
File writeJournal(const std::filesystem::path& path, const Writer& body) {
    // Head, body, hash and tail, the body written where it lies rather than copied behind the head.
    const auto* head = reinterpret_cast<const std::uint8_t*>(kHead);
    const std::uint64_t hash = fnv1a(body.bytes.data(), body.bytes.size(), fnv1a(head, sizeof kHead));
    std::uint8_t trailer[sizeof hash + sizeof kTail];
    std::memcpy(trailer, &hash, sizeof hash);
    std::memcpy(trailer + sizeof hash, kTail, sizeof kTail);
    const std::filesystem::path unfinished = path.string() + kUnfinishedSuffix;
    // Between creating the file and locking it, a recovery beside us may take it for one left by
    // a dead process and remove it: then the lock holds a file no longer there, so make another.
    File journal;
    for (int attempt = 0;; ++attempt) {
        journal = File::create(unfinished);
        if (journal.tryLock(ShareMode::Exclusive) && journal.isAt(unfinished)) break;
        if (attempt == 1000)
            throw EngineError(errkind::kFile, "Cannot write the journal " + unfinished.string() +
                                                  ": a recovery keeps removing it as it is made");
        std::this_thread::yield();
    }
    journal.writeAt(0, head, sizeof kHead);
    journal.writeAt(sizeof kHead, body.bytes.data(), body.bytes.size());
    journal.writeAt(sizeof kHead + body.bytes.size(), trailer, sizeof trailer);
    journal.sync();
    renameFile(unfinished, path);
    try {
        syncFolder(path.parent_path());
    } catch (const EngineError&) {
        // Left behind, it would be applied by a later recovery, over commits made since.
        std::error_code ignored;
        removeFile(path, ignored);
        throw;
    }
    return journal;
}

// Calls `step` on every participant even when one throws, so none keeps stale in-memory state;
// then rethrows the first error.
template <typename Step>
void callEach(const std::vector<TransactionParticipant*>& participants, Step step) {
    std::exception_ptr first;
    for (TransactionParticipant* p : participants) {
        try {
            step(*p);
        } catch (...) {
            if (!first) first = std::current_exception();
        }
    }
    if (first) std::rethrow_exception(first);
}
}  // namespace

Transaction::Transaction(std::filesystem::path journalPath) : journalPath_(std::move(journalPath)) {}

Transaction::~Transaction() {
    try {
        rollback();
    } catch (...) {
        // Often run while another error unwinds, so it must not throw. A table that cannot
        // re-read its files now reads them at its next open; what the disk holds is as before
        // the transaction, or has a journal that the next open's recovery applies.
    }
}

void Transaction::enlist(PagedFile& file) {
    if (enlisted(file)) return;
    // A connection's transaction covers one folder; the journal names its files by name only,
    // so recovery never writes outside the journal's own folder.
    if (std::filesystem::absolute(file.path()).parent_path() != std::filesystem::absolute(journalPath_).parent_path())
        throw EngineError(
            errkind::kUsage,
            file.path().string() + " lies outside the folder of the transaction's journal " + journalPath_.string());
    files_.push_back(&file);
}

void Transaction::enlist(TransactionParticipant& participant) {
    if (std::find(participants_.begin(), participants_.end(), &participant) == participants_.end())
        participants_.push_back(&participant);
}

bool Transaction::enlisted(const PagedFile& file) const {
    return std::find(files_.begin(), files_.end(), &file) != files_.end();
}

void Transaction::rollback() {
    for (PagedFile* f : files_) f->discardPendingWrites();
    const std::vector<TransactionParticipant*> participants = std::move(participants_);
    files_.clear();
    participants_.clear();
    callEach(participants, [](TransactionParticipant& p) { p.afterRollback(); });
}

// Steps 1-3 of a commit, under the commit lock of every file changed.
void Transaction::writeChanged(const std::vector<PagedFile*>& changed) {
    // Readers loading a table's state wait while its files are half-written.
    struct CommitLocks {
        std::vector<File*> held;
        ~CommitLocks() {
            for (File* f : held) f->unlockCommit();
        }
    } locks;
    for (PagedFile* f : changed)
        if (f->existsOnDisk_) {
            f->file_.lockCommit(ShareMode::Exclusive);
            locks.held.push_back(&f->file_);
        }

    // The journal body is sized first: it may hold a whole table's bytes, read straight into it.
    std::vector<std::vector<Span>> spans;
    std::size_t size = sizeof(std::uint32_t);
    for (PagedFile* f : changed) {
        spans.push_back(f->existsOnDisk_ ? originalSpans(f->diskSize_, f->pendingPages(), f->size_)
                                         : std::vector<Span>{});
        size += 2 * sizeof(std::uint32_t) + f->path().filename().string().size() + sizeof(std::int64_t);
        for (const Span& span : spans.back()) size += sizeof span.offset + sizeof span.length + span.length;
    }
    Writer body;
    body.bytes.reserve(size);
    body.put(static_cast<std::uint32_t>(changed.size()));
    for (std::size_t i = 0; i < changed.size(); ++i) {
        PagedFile* f = changed[i];
        const std::string path = f->path().filename().string();
        body.put(static_cast<std::uint32_t>(path.size()));
        body.putBytes(path.data(), path.size());
        body.put(static_cast<std::int64_t>(f->existsOnDisk_ ? f->diskSize_ : -1));
        body.put(static_cast<std::uint32_t>(spans[i].size()));
        for (const Span& span : spans[i]) {
            body.put(span.offset);
            body.put(span.length);
            body.putFileBytes(f->file(), span.offset, span.length);
        }
    }
    File journal = writeJournal(journalPath_, body);

    // The commit is done once the journal's removal is durable; a failure before that puts the
    // original bytes back from the journal, still open here even once removed.
    try {
        for (PagedFile* f : changed) {
            if (!f->existsOnDisk_) f->file_ = File::create(f->path_);
            for (const std::uint64_t page : f->pendingPages()) {
                const std::vector<std::uint8_t>& bytes = f->dirty_.at(page);
                const std::uint64_t start = page * PagedFile::kPageSize;
                if (start >= f->size_) continue;
                f->file_.writeAt(start, bytes.data(),
                                 static_cast<std::size_t>(std::min(PagedFile::kPageSize, f->size_ - start)));
            }
            if (f->file_.size() != f->size_) f->file_.truncate(f->size_);
            f->file_.sync();
        }
        syncFolder(journalPath_.parent_path());
        removeFile(journalPath_);
        syncFolder(journalPath_.parent_path());
    } catch (const EngineError&) {
        applyJournal(journalPath_, journal);
        for (PagedFile* f : changed) {
            if (!f->existsOnDisk_) f->file_ = File();
            f->dropCache();
        }
        throw;
    }
    for (PagedFile* f : changed) {
        f->existsOnDisk_ = true;
        f->dirty_.clear();
        f->diskSize_ = f->readableDisk_ = f->size_;
        f->dropCache();
    }
}

void Transaction::commit() {
    for (TransactionParticipant* p : participants_) p->prepareCommit();
    std::vector<PagedFile*> changed;
    for (PagedFile* f : files_)
        if (f->hasPendingWrites()) changed.push_back(f);
    if (!changed.empty()) writeChanged(changed);
    const std::vector<TransactionParticipant*> participants = std::move(participants_);
    files_.clear();
    participants_.clear();
    callEach(participants, [](TransactionParticipant& p) { p.afterCommit(); });
}

bool Transaction::recover(const std::filesystem::path& journalPath) {
    std::optional<File> journal = openIfPresent(journalPath);
    if (!journal || !journal->tryLock(ShareMode::Exclusive)) return false;  // gone, or its commit still runs
    // A commit removes its journal before letting go of the lock: one opened just before that
    // and locked just after belongs to a finished commit, which must not be undone.
    if (!journal->isAt(journalPath)) return false;
    applyJournal(journalPath, *journal);
    return true;
}

void Transaction::applyJournal(const std::filesystem::path& journalPath, const File& journal) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(journal.size()));
    bytes.resize(journal.readAt(0, bytes.data(), bytes.size()));
    const std::size_t trailer = sizeof(std::uint64_t) + sizeof kTail;
    const bool complete = bytes.size() >= sizeof kHead + trailer &&
                          std::memcmp(bytes.data(), kHead, sizeof kHead) == 0 &&
                          std::memcmp(bytes.data() + bytes.size() - sizeof kTail, kTail, sizeof kTail) == 0 && [&] {
                              std::uint64_t stored = 0;
                              std::memcpy(&stored, bytes.data() + bytes.size() - trailer, sizeof stored);
                              return stored == fnv1a(bytes.data(), bytes.size() - trailer);
                          }();
    if (complete) {
        // Validate everything before touching any file, so a damaged journal changes nothing.
        Reader in(bytes);
        in.pos = sizeof kHead;
        struct FileUndo {
            std::filesystem::path path;
            std::int64_t size;
            std::vector<std::pair<std::uint64_t, std::pair<const std::uint8_t*, std::uint32_t>>> ranges;
        };
        std::vector<FileUndo> undo;
        std::uint32_t fileCount = 0;
        bool ok = in.get(fileCount);
        for (std::uint32_t i = 0; ok && i < fileCount; ++i) {
            std::uint32_t pathLength = 0, rangeCount = 0;
            const std::uint8_t* pathBytes = nullptr;
            FileUndo u;
            ok = in.get(pathLength) && in.take(pathLength, pathBytes) && in.get(u.size) && in.get(rangeCount);
            if (!ok) break;
            const std::string name(reinterpret_cast<const char*>(pathBytes), pathLength);
            if (name.empty() || name.find('/') != std::string::npos || name == "." || name == "..") {
                ok = false;
                break;
            }
            u.path = journalPath.parent_path() / name;
            for (std::uint32_t r = 0; ok && r < rangeCount; ++r) {
                std::uint64_t offset = 0;
                std::uint32_t length = 0;
                const std::uint8_t* data = nullptr;
                ok = in.get(offset) && in.get(length) && in.take(length, data);
                u.ranges.push_back({offset, {data, length}});
            }
            undo.push_back(std::move(u));
        }
        if (!ok)
            throw EngineError(errkind::kFormat, "The journal " + journalPath.string() +
                                                    " is damaged; the tables it names may be inconsistent");
        for (const FileUndo& u : undo) {
            if (u.size < 0) {
                removeFile(u.path);
                continue;
            }
            File f = File::exists(u.path) ? File::open(u.path, AccessMode::ReadWrite) : File::create(u.path);
            for (const auto& [offset, range] : u.ranges) f.writeAt(offset, range.first, range.second);
            f.truncate(static_cast<std::uint64_t>(u.size));
            f.sync();
        }
    }
    removeFile(journalPath);
    syncFolder(journalPath.parent_path());
}

std::filesystem::path Transaction::newJournalPath(const std::filesystem::path& folder) {
    static std::atomic<unsigned> counter{0};
    return folder / ("~tabulon-" + std::to_string(::getpid()) + "-" + std::to_string(++counter) + kJournalExtension);
}

void Transaction::recoverFolder(const std::filesystem::path& folder) {
    // A family swap or rename cut short is finished before its files are read.
    FolderMoves::recoverFolder(folder);
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::filesystem::path& path = entry.path();
        if (path.extension() == kJournalExtension) {
            recover(path);
        } else if (path.extension() == kUnfinishedSuffix && path.stem().extension() == kJournalExtension) {
            // Left by a process that died while writing it: no table file was touched yet.
            std::optional<File> unfinished = openIfPresent(path);
            if (unfinished && unfinished->tryLock(ShareMode::Exclusive)) removeFile(path, ec);
        }
    }
}

}  // namespace tabulon
