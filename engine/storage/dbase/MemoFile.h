#pragma once
// A table's memo file: .DBT (dBase III and IV styles) or .FPT (FoxPro, big-endian).
#include <cstdint>
#include <filesystem>
#include <string>

#include "../../io/PagedFile.h"
#include "DbaseDialect.h"

namespace tabulon::dbase {

// Reads memos by block number. Every length and pointer is checked against the file size.
// Errors are EngineError(EFormatError) naming the file and the block. One thread at a time.
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

private:
    std::string readDbt(std::uint64_t offset, std::uint32_t block) const;
    std::string readFpt(std::uint64_t offset, std::uint32_t block) const;
    [[noreturn]] void fail(std::uint32_t block, const std::string& why) const;

    PagedFile file_;
    MemoKind kind_;
    bool dbase3_;
    std::uint32_t blockSize_ = 512;
    std::uint32_t nextFree_ = 0;
};

}  // namespace tabulon::dbase
