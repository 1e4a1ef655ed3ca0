#pragma once
// A table file read through a small cache, with writes held in memory until a Transaction
// commits them atomically.
#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <unordered_map>
#include <vector>

#include "File.h"

namespace tabulon {

// Reads see the pending writes. Writes never reach the disk except through
// Transaction::commit(). Not thread-safe: one session uses it at a time.
class PagedFile {
public:
    static constexpr std::uint64_t kPageSize = 4096;

    static PagedFile open(const std::filesystem::path& path, AccessMode access);
    // A file that will be created by the next commit (nothing touches the disk before).
    static PagedFile createNew(const std::filesystem::path& path);

    const std::filesystem::path& path() const { return path_; }
    bool writable() const { return writable_; }
    // Logical size, pending writes included.
    std::uint64_t size() const { return size_; }
    // Copies up to `length` bytes from `offset`; returns how many exist there.
    std::size_t read(std::uint64_t offset, void* buffer, std::size_t length) const;
    // The bytes at [offset, offset + length) in place, when they lie in one cached stretch of
    // the disk file that no pending write touches; else null (read() them instead). Valid
    // until the next read, write or refresh of this file.
    const std::uint8_t* view(std::uint64_t offset, std::size_t length) const;
    // Throws EFormatError naming the file when fewer than `length` bytes exist at `offset`.
    void readExact(std::uint64_t offset, void* buffer, std::size_t length) const;
    void write(std::uint64_t offset, const void* buffer, std::size_t length);
    void truncate(std::uint64_t size);

    bool hasPendingWrites() const { return !dirty_.empty() || size_ != diskSize_ || !existsOnDisk_; }
    // Forgets pending writes; re-reads the size from disk (another process may have written).
    void discardPendingWrites();
    // Drops cached disk contents, so the next read sees other writers' changes.
    void refresh();

    File& file() { return file_; }
    const File& file() const { return file_; }
    // Grows with every write, truncate, discard or refresh: readers holding positions in the
    // file's structures can tell when to find their place again.
    std::uint64_t changes() const { return changes_; }

private:
    friend class Transaction;
    PagedFile() = default;
    const std::uint8_t* cachedChunk(std::uint64_t chunk) const;
    // Forgets every cached chunk (the disk changed under them).
    void dropCache();
    std::vector<std::uint8_t>& dirtyPage(std::uint64_t page);

    std::filesystem::path path_;
    File file_;
    bool writable_ = false;
    bool existsOnDisk_ = true;
    std::uint64_t diskSize_ = 0;      // bytes on disk now
    std::uint64_t readableDisk_ = 0;  // disk bytes still visible (a pending truncate hides the rest)
    std::uint64_t size_ = 0;
    std::uint64_t changes_ = 0;
    // The pending pages in page order, for the commit.
    std::vector<std::uint64_t> pendingPages() const;

    // Page number -> full page. Hashed: reads look pages up all the time, and a tree of the
    // thousands a large change holds costs a cache miss per level.
    std::unordered_map<std::uint64_t, std::vector<std::uint8_t>> dirty_;

    // A few chunks, least recently used replaced first: walking an index while reading the
    // records it points at must not make the two evict each other at every step.
    static constexpr std::uint64_t kChunkSize = 64 * 1024;
    static constexpr std::size_t kCachedChunks = 8;
    struct CachedChunk {
        std::uint64_t chunk = ~0ULL;
        std::uint64_t lastUse = 0;
        std::vector<std::uint8_t> bytes;
    };
    mutable std::array<CachedChunk, kCachedChunks> cache_;
    mutable std::uint64_t useClock_ = 0;
};

}  // namespace tabulon
