#pragma once
// The .MB file that holds a table's memo, blob, graphic and OLE values.
#include <cstdint>
#include <map>
#include <optional>

#include "../../core/Value.h"
#include "../../io/PagedFile.h"

namespace tabulon::paradox {

// A record's blob field ends in a pointer: the blob's location, its length and a modification
// number.
inline constexpr int kBlobPointerBytes = 10;

// Reads one blob by the location and length its record field holds. Throws EFormatError naming
// the file and the fault when the location does not lead to a blob of that length; never reads
// or allocates past the file's end. Same thread as its table.
class ParadoxBlobFile {
public:
    static constexpr std::uint32_t kBlockUnit = 4096;
    static constexpr std::uint32_t kWholeBlockSlot = 0xFF;
    // Every block starts with its type and its size in block units.
    static constexpr std::uint8_t kHeaderBlock = 0, kSingleBlock = 2, kSubAllocated = 3, kFreeBlock = 4;
    static constexpr std::uint32_t kSingleHeader = 9;  // type, units, length, modification number
    // A suballocated block: 64 slot entries of 5 bytes after a 12-byte head, then the data in
    // 16-byte chunks.
    static constexpr std::uint32_t kSlotTable = 12, kSlotEntry = 5, kSlotCount = 64, kChunk = 16;
    static constexpr std::uint32_t kSubDataStart = 0x150;

    explicit ParadoxBlobFile(PagedFile file) : file_(std::move(file)) {}

    Bytes read(std::uint32_t location, std::uint32_t length) const;
    // Stores a blob and returns its location: values up to the threshold share suballocated
    // blocks in 16-byte chunks, larger ones get blocks of their own, taken from free blocks
    // first (a larger free block is split), else from the end. Never updates in place.
    std::uint32_t store(const Bytes& data);
    // Gives a blob's space back: its slot is cleared, a block left unused becomes a free block,
    // merged with free neighbours.
    void release(std::uint32_t location);
    // Drops every blob: the file is cut back to its header block.
    void clear();
    // Forgets the changes not committed (after a rollback, or another writer's commit).
    void discardPendingWrites();
    // The 4096-byte header block of a new .MB file.
    static Bytes emptyFile();
    // Bumps the header's modification counter (once per committed change).
    void touch();
    PagedFile& file() { return file_; }
    const PagedFile& file() const { return file_; }

private:
    [[noreturn]] void fail(std::uint32_t location, const std::string& why) const;
    // Start offsets and sizes (in 4 KiB units) of the free blocks, found by one walk over the
    // file at the first need.
    std::map<std::uint64_t, std::uint32_t>& freeBlocks();
    // `units` blocks from the free blocks, else from the end of the file; returns the offset.
    std::uint64_t allocate(std::uint32_t units);
    void markFree(std::uint64_t start, std::uint32_t units);
    PagedFile file_;
    std::optional<std::map<std::uint64_t, std::uint32_t>> free_;
    std::uint64_t openSubBlock_ = 0;  // the suballocated block new small blobs go to, if any
};

}  // namespace tabulon::paradox
