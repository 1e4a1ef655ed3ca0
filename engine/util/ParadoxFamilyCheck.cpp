#include "ParadoxFamilyCheck.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "../core/EngineError.h"
#include "../core/TextCodec.h"
#include "../io/PagedFile.h"
#include "../storage/Drivers.h"
#include "../storage/paradox/ParadoxBytes.h"
#include "../storage/paradox/ParadoxCodePage.h"
#include "../storage/paradox/ParadoxCollation.h"
#include "../storage/paradox/ParadoxHeader.h"
#include "../storage/paradox/ParadoxKeyOrder.h"
#include "ParadoxBlobFileCheck.h"

namespace tabulon {

namespace {

using paradox::le16;
using paradox::ParadoxHeader;

enum class BlockUse : std::uint8_t { Unknown, Chain, Free };

struct ChainBlock {
    int number = 0;
    int records = 0;
};

class ParadoxDataCheck {
public:
    ParadoxDataCheck(PagedFile file, Findings& findings)
        : file_(std::move(file)),
          name_(file_.path().filename().string()),
          header_(ParadoxHeader::read(file_)),
          findings_(findings) {}

    bool run() {
        if (!header_.isTable())
            throw EngineError(errkind::kFormat, name_ + " is not a Paradox table but a file of type " +
                                                    std::to_string(static_cast<int>(header_.kind)));
        if (header_.encryption != 0) {
            add("header", "the table is password-protected", verifylevel::kUnrebuildable);
            return false;
        }
        checkFileSize();
        walkChain();
        walkFreeList();
        findOrphans();
        if (header_.keyFieldCount > 0) checkKeyOrder();
        checkBlobFile();
        return true;
    }

private:
    void add(const std::string& place, const std::string& problem, int level, const std::string& kind = {}) {
        findings_.add({name_, place, problem, level}, kind);
    }

    std::uint64_t blockSize() const { return static_cast<std::uint64_t>(header_.blockSize); }

    void checkFileSize() {
        const std::uint64_t size = file_.size();
        const auto headerSize = static_cast<std::uint64_t>(header_.headerSize);
        const std::uint64_t body = size > headerSize ? size - headerSize : 0;
        // Writers may leave the unused end of the last block out of the file: only records cut
        // off count (see walkChain).
        blocksOnDisk_ = (body + blockSize() - 1) / blockSize();
        if (static_cast<std::uint64_t>(header_.blocksInFile) != blocksOnDisk_)
            add("header",
                "the header counts " + std::to_string(header_.blocksInFile) + " blocks, the file holds " +
                    std::to_string(blocksOnDisk_),
                static_cast<std::uint64_t>(header_.blocksInFile) > blocksOnDisk_ ? verifylevel::kPartial
                                                                                 : verifylevel::kRepairable);
        use_.assign(blocksOnDisk_ + 1, BlockUse::Unknown);
    }

    // The block's next and prior links and its record count (-1: no records).
    struct BlockHead {
        int next = 0, prior = 0, lastOffset = -1;
    };
    BlockHead head(int number) const {
        std::uint8_t bytes[6] = {};
        file_.read(header_.blockOffset(number), bytes, sizeof bytes);
        return {le16(bytes), le16(bytes + 2), static_cast<std::int16_t>(le16(bytes + 4))};
    }
    int recordsIn(const BlockHead& h, const std::string& place, bool inChain) {
        if (h.lastOffset < 0) return 0;
        const int maxRecords = (header_.blockSize - 6) / header_.recordSize;
        const int records = h.lastOffset / header_.recordSize + 1;
        if (inChain && h.lastOffset % header_.recordSize != 0)
            add(place, "its last record starts at byte " + std::to_string(h.lastOffset) + ", inside a record",
                verifylevel::kPartial, "misaligned");
        if (records <= maxRecords) return records;
        if (inChain)
            add(place,
                "claims " + std::to_string(records) + " records; it holds " + std::to_string(maxRecords) + " at most",
                verifylevel::kPartial, "overfull");
        return maxRecords;
    }

    void walkChain() {
        int number = header_.firstBlock, prior = 0;
        std::uint64_t records = 0;
        bool broken = false;
        while (number != 0) {
            const std::string from = prior == 0 ? "header" : "block " + std::to_string(prior);
            if (number < 0 || static_cast<std::uint64_t>(number) > blocksOnDisk_) {
                add(from, "the chain leads to block " + std::to_string(number) + ", past the end of the file",
                    verifylevel::kPartial);
                broken = true;
                break;
            }
            if (use_[static_cast<std::size_t>(number)] == BlockUse::Chain) {
                add(from, "the chain loops back to block " + std::to_string(number), verifylevel::kPartial);
                broken = true;
                break;
            }
            use_[static_cast<std::size_t>(number)] = BlockUse::Chain;
            const std::string place = "block " + std::to_string(number);
            const BlockHead h = head(number);
            if (h.prior != prior)
                add(place,
                    "links back to block " + std::to_string(h.prior) + ", the chain comes from block " +
                        std::to_string(prior),
                    verifylevel::kRepairable, "back link");
            const int inBlock = recordsIn(h, place, true);
            const std::uint64_t recordsEnd =
                header_.blockOffset(number) + 6 +
                static_cast<std::uint64_t>(inBlock) * static_cast<std::uint64_t>(header_.recordSize);
            if (recordsEnd > file_.size()) {
                add(place, "the file ends inside its records", verifylevel::kPartial);
                const auto recordSize = static_cast<std::uint64_t>(header_.recordSize);
                findings_.addUnreachable((recordsEnd - file_.size() + recordSize - 1) / recordSize);
            }
            chain_.push_back({number, inBlock});
            records += static_cast<std::uint64_t>(inBlock);
            prior = number;
            number = h.next;
        }
        if (!broken && chain_.size() != static_cast<std::size_t>(header_.blocksInUse))
            add("header",
                "the header counts " + std::to_string(header_.blocksInUse) + " blocks in use, the chain has " +
                    std::to_string(chain_.size()),
                verifylevel::kRepairable);
        if (!broken && prior != header_.lastBlock)
            add("header",
                "the header names block " + std::to_string(header_.lastBlock) + " as the last, the chain ends at " +
                    std::to_string(prior),
                verifylevel::kRepairable);
        if (records != header_.recordCount)
            add("header",
                "the header counts " + std::to_string(header_.recordCount) + " records, the chain holds " +
                    std::to_string(records),
                verifylevel::kRepairable);
    }

    void walkFreeList() {
        int number = header_.firstFreeBlock;
        while (number != 0) {
            if (number < 0 || static_cast<std::uint64_t>(number) > blocksOnDisk_ ||
                use_[static_cast<std::size_t>(number)] != BlockUse::Unknown) {
                add("free list",
                    "leads to block " + std::to_string(number) + ", which is past the end, in use or met before",
                    verifylevel::kRepairable);
                return;
            }
            use_[static_cast<std::size_t>(number)] = BlockUse::Free;
            number = head(number).next;
        }
    }

    // Blocks that hold records but that neither the chain nor the free list reaches: their
    // records are out of the reader's reach.
    void findOrphans() {
        const std::uint64_t last =
            std::min<std::uint64_t>(blocksOnDisk_, static_cast<std::uint64_t>(header_.blocksInFile));
        for (std::uint64_t number = 1; number <= last; ++number) {
            if (use_[number] != BlockUse::Unknown) continue;
            const std::string place = "block " + std::to_string(number);
            const int records = recordsIn(head(static_cast<int>(number)), place, false);
            if (records == 0) continue;
            add(place, "holds " + std::to_string(records) + " records but is not in the chain", verifylevel::kPartial,
                "orphan");
            findings_.addUnreachable(static_cast<std::uint64_t>(records));
        }
    }

    // Calls `visit(record, position, block)` for each record of the chain, in chain order; the
    // part of a block past the file's end reads as zeros.
    template <typename Visit>
    void eachRecord(Visit visit) const {
        const auto recordSize = static_cast<std::size_t>(header_.recordSize);
        std::vector<std::uint8_t> block(static_cast<std::size_t>(header_.blockSize));
        std::uint64_t position = 0;
        for (const ChainBlock& b : chain_) {
            const std::size_t read = file_.read(header_.blockOffset(b.number), block.data(), block.size());
            std::fill(block.begin() + static_cast<std::ptrdiff_t>(read), block.end(), 0);
            for (int r = 0; r < b.records; ++r, ++position)
                visit(block.data() + 6 + static_cast<std::size_t>(r) * recordSize, position, b.number);
        }
    }

    void checkKeyOrder() {
        const TextCodec codec(paradox::paradoxCodePageName(header_, {}));
        const paradox::ParadoxCollation collation(header_.sortOrderName, codec);
        std::vector<paradox::ParadoxKeyOrder::KeyField> keys;
        for (int i = 0; i < header_.keyFieldCount && i < static_cast<int>(header_.fields.size()); ++i)
            keys.push_back({header_.fields[static_cast<std::size_t>(i)], false});
        const paradox::ParadoxKeyOrder order(std::move(keys), collation, false);
        const auto recordSize = static_cast<std::size_t>(header_.recordSize);
        std::vector<std::uint8_t> previous(recordSize);
        eachRecord([&](const std::uint8_t* record, std::uint64_t position, int block) {
            if (position > 0) {
                const int c = order.compare(previous.data(), record);
                const std::string place =
                    "record " + std::to_string(position + 1) + " (block " + std::to_string(block) + ")";
                if (c > 0)
                    add(place, "is out of key order", verifylevel::kRepairable, "key order");
                else if (c == 0)
                    add(place, "repeats the key of the record before it", verifylevel::kPartial, "duplicate key");
            }
            std::memcpy(previous.data(), record, recordSize);
        });
    }

    // The .MB's own blocks, and the records' pointers into it. A missing .MB is the reader's to
    // report.
    void checkBlobFile() {
        std::vector<int> pointers;  // offsets of the blob fields' pointers in a record
        for (const auto& f : header_.fields)
            if (f.type.blob) pointers.push_back(f.offset + f.bytes - paradox::kBlobPointerBytes);
        if (pointers.empty()) return;
        const auto mb = findFileIgnoringCase(file_.path().parent_path(), file_.path().stem().string() + ".MB");
        if (mb.empty()) return;
        // The .MB failing to be read is not the .DB's header failing (this check's caller's
        // reading of an EngineError).
        try {
            ParadoxBlobFileCheck check(PagedFile::open(mb, AccessMode::ReadOnly), name_, findings_);
            eachRecord([&](const std::uint8_t* record, std::uint64_t position, int) {
                for (const int at : pointers) {
                    const std::uint32_t location = paradox::le32(record + at);
                    const std::uint32_t length = paradox::le32(record + at + 4);
                    if (location != 0 && length != 0) check.checkPointer(location, length, position + 1);
                }
            });
            check.finish();
        } catch (const EngineError& e) {
            findings_.add({mb.filename().string(), "whole file", "the verification stopped here: " + e.message(),
                           verifylevel::kUnfinished});
        }
    }

    PagedFile file_;
    std::string name_;
    ParadoxHeader header_;
    Findings& findings_;
    std::uint64_t blocksOnDisk_ = 0;
    std::vector<BlockUse> use_;
    std::vector<ChainBlock> chain_;
};

}  // namespace

bool checkParadoxData(const std::filesystem::path& table, Findings& findings) {
    return ParadoxDataCheck(PagedFile::open(table, AccessMode::ReadOnly), findings).run();
}

}  // namespace tabulon
