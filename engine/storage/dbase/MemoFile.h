#pragma once
// A table's memo file: .DBT (dBase III and IV styles) or .FPT (FoxPro, big-endian).
#include <cstdint>
#include <filesystem>
#include <string>

#include "../../io/PagedFile.h"
#include "DbaseDialect.h"

namespace tabulon::dbase {

// Reads and writes memos by block number. Every length and pointer read is checked against the
// file size; errors are EngineError(EFormatError) naming the file and the block. Writes go to
// the PagedFile's pending writes, so they reach the disk only with the table's transaction.
// One thread at a time.
class MemoFile {
public:
    // `dbase3` makes a .DBT read as dBase III text ended by 0x1A; otherwise the block header
    // decides, so dBase IV files written by dBase III tools still read.
    MemoFile(PagedFile file, MemoKind kind, bool dbase3);

    const std::filesystem::path& path() const { return file_.path(); }
    PagedFile& file() { return file_; }
    std::uint32_t blockSize() const { return blockSize_; }
    std::uint32_t nextFreeBlock() const { return nextFree_; }

    // The memo's bytes (text memos without their end markers). Block 0 is no memo: empty.
    std::string read(std::uint32_t block) const;

    // Stores `data` and returns its first block (0 for empty data): over the memo at `oldBlock`
    // when it fits in the blocks that one holds, else in new blocks at the end, so no other
    // memo is touched. `binary` marks .FPT blocks as objects rather than text. Throws
    // EValueError for data a dBase III memo cannot hold (0x1A bytes).
    std::uint32_t write(const std::string& data, std::uint32_t oldBlock, bool binary, const std::string& fieldName);
    // Drops every memo (the file keeps only its header).
    void clear();
    // Writes the next-free-block counter into the header.
    void writeHeader();
    // Reads the header again (after a rollback or another process's commit).
    void reload();
    // A new, empty memo file of `kind` at `path` (written by the next commit).
    static PagedFile createEmpty(const std::filesystem::path& path, MemoKind kind, bool dbase3);

private:
    std::string readDbt(std::uint64_t offset, std::uint32_t block) const;
    std::string readFpt(std::uint64_t offset, std::uint32_t block) const;
    // Blocks the memo at `block` occupies; 0 when it cannot be read.
    std::uint64_t blocksOf(std::uint32_t block) const;
    void readHeader();
    std::uint32_t firstBlock() const { return (512 + blockSize_ - 1) / blockSize_; }
    [[noreturn]] void fail(std::uint32_t block, const std::string& why) const;

    PagedFile file_;
    MemoKind kind_;
    bool dbase3_;
    std::uint32_t blockSize_ = 512;
    std::uint32_t nextFree_ = 0;
};

}  // namespace tabulon::dbase
