#pragma once
// Checks a Paradox .MB blob file's own blocks, walked from its header block by the sizes they
// state, and the blob pointers of the table's records against those blocks.
#include <cstdint>
#include <string>
#include <vector>

#include "../storage/paradox/ParadoxBlobFile.h"
#include "Findings.h"

namespace tabulon {

// Walks the blocks when made; then checkPointer() takes each blob pointer of the table's
// records and finish() adds the blocks' faults: level 3 where a record's blob lives in a block
// whose fault takes its value with it, else level 1 (a rebuild writes the blob file anew).
// Reads only; every walk is bounded by the file's size; throws EngineError only when the file
// cannot be read. Same thread throughout.
class ParadoxBlobFileCheck {
public:
    ParadoxBlobFileCheck(PagedFile file, std::string tableName, Findings& findings);

    // The pointer of a blob stored in the file (location and length not 0) of the table's record
    // `record` (1-based). A pointer into the middle of a block is reported when the table's
    // reader takes it for a blob; the reader reports every pointer it cannot follow itself.
    void checkPointer(std::uint32_t location, std::uint32_t length, std::uint64_t record);
    void finish();

private:
    struct Block {
        std::uint64_t start = 0;
        std::uint64_t bytes = 0;
        std::uint8_t type = 0;
        bool referenced = false;  // a record's blob lives in it
    };
    struct Fault {
        std::size_t block = 0;  // in blocks_, or none
        std::string place;
        std::string problem;
        std::string kind;
        bool takesValues = false;  // the blobs living in the block cannot be read whole
    };

    void walk();
    // The bytes from its start a block's values need: a single blob's own, else a whole unit.
    std::uint64_t bytesNeeded(const Block& block) const;
    void checkSlots(std::size_t block);
    void fault(std::size_t block, std::string problem, std::string kind, bool takesValues);
    std::string place(std::uint64_t offset) const;

    paradox::ParadoxBlobFile blobs_;
    std::string name_, tableName_;
    Findings& findings_;
    std::uint64_t size_ = 0;
    std::vector<Block> blocks_;  // in file order, the header block first
    std::uint64_t walkedEnd_ = 0;
    std::vector<Fault> faults_;
};

}  // namespace tabulon
