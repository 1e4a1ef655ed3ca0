#pragma once
// A file in the Paradox data layout (.DB, .Xnn, .XGn): header, then records in a chain of blocks.
#include <cstdint>
#include <functional>
#include <vector>

#include "../../io/PagedFile.h"
#include "ParadoxHeader.h"
#include "ProblemLog.h"

namespace tabulon::paradox {

// Walks the block chain from the header's first block (never physical order), reporting loops,
// links past the end and counts that disagree to the problem log, and maps the records along
// the chain to positions 0..recordCount-1. Missing bytes at the end of the file read as zeros.
// Same thread as its owner.
class ParadoxDataFile {
public:
    struct Block {
        int number = 0;
        int records = 0;
        std::uint64_t firstPosition = 0;  // position of its first record along the chain
    };
    struct Position {
        std::size_t chainIndex = 0;
        int record = 0;  // inside the block
    };

    // Reads the header (throws EFormatError when it is unusable) and walks the chain.
    ParadoxDataFile(PagedFile file, ProblemLog& problems);
    // A new file with `header` and no blocks yet (written by the next commit).
    ParadoxDataFile(PagedFile file, ParadoxHeader header);

    const ParadoxHeader& header() const { return header_; }
    ParadoxHeader& header() { return header_; }
    PagedFile& file() { return file_; }
    const PagedFile& file() const { return file_; }
    const std::vector<Block>& blocks() const;
    // The same blocks without bringing firstPosition up to date: for walks that need only
    // block numbers and record counts (a position refresh costs a pass over the chain).
    const std::vector<Block>& chain() const { return blocks_; }
    std::uint64_t recordCount() const { return recordCount_; }
    int recordsPerBlock() const { return (header_.blockSize - 6) / header_.recordSize; }

    Position locate(std::uint64_t position) const;
    // Index of `block` in the chain, or -1.
    long chainIndexOf(int block) const;
    // Copies record `record` of block `block` into `out` (recordSize bytes).
    void readRecord(int block, int record, std::uint8_t* out) const;
    // The same record in place: valid until the next read or change of this file.
    const std::uint8_t* recordAt(int block, int record) const;
    // Re-reads the header and the chain (after a rollback or another writer's commit).
    void reload(ProblemLog& problems);

    // --- Changes, held in the file's pending writes until a commit. ---
    void writeRecord(std::size_t chainIndex, int record, const std::uint8_t* bytes);
    // Inserts before `record` (0..records); the block must have room.
    void insertRecord(std::size_t chainIndex, int record, const std::uint8_t* bytes);
    // Removes a record; a block left empty leaves the chain for the free list.
    void removeRecord(std::size_t chainIndex, int record);
    // Appends the records of the next block to block `chainIndex` (which must have room); the
    // emptied block leaves the chain for the free list.
    void mergeWithNext(std::size_t chainIndex);
    // Links a fresh block (from the free list, else the file's end) after `chainIndex` (or at
    // the start of the chain when `chainIndex` is -1); returns its chain index.
    std::size_t addBlockAfter(long chainIndex);
    // Moves records [from, end) of block `source` to the start of the empty block `target`.
    void moveRecords(std::size_t source, int from, std::size_t target);
    // No blocks at all: the file is cut back to its header.
    void clear();
    // Writes `count` records into a cleared file, each block full before the next; `record(i)`
    // gives the i-th. The chain's positions are worked out once, at the end, not per record.
    void fillCleared(std::size_t count, const std::function<const std::uint8_t*(std::size_t)>& record);
    // Stores the chain's counters in the header and writes it.
    void writeHeader();

private:
    void walkChain(ProblemLog& problems);
    std::vector<std::uint8_t> readBlock(int number) const;
    void writeBlock(int number, std::vector<std::uint8_t>& bytes, int records);
    void setLinks(int number, int next, int prior);
    void unlinkEmpty(std::size_t chainIndex, std::vector<std::uint8_t>& data);
    void reindex() const;

    PagedFile file_;
    ParadoxHeader header_;
    mutable std::vector<Block> blocks_;
    mutable std::vector<std::int32_t> chainIndexByBlock_;
    mutable bool positionsStale_ = false;  // firstPosition behind the record counts
    mutable bool chainStale_ = false;      // chainIndexByBlock_ behind the chain
    std::uint64_t recordCount_ = 0;
    // Scans read block after block: the last block read and the last block located stay at hand.
    mutable std::vector<std::uint8_t> cachedBlock_;  // one record's room more, zero: see recordAt()
    mutable int cachedNumber_ = 0;
    mutable std::size_t lastLocated_ = 0;
};

}  // namespace tabulon::paradox
