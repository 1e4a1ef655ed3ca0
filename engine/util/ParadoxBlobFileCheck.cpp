#include "ParadoxBlobFileCheck.h"

#include <algorithm>
#include <cstdio>

#include "../core/EngineError.h"
#include "../storage/paradox/ParadoxBytes.h"

namespace tabulon {

namespace {
using paradox::le16;
using paradox::le32;
using Blobs = paradox::ParadoxBlobFile;
constexpr std::size_t kNoBlock = static_cast<std::size_t>(-1);

std::string hex(std::uint64_t offset) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%08llX", static_cast<unsigned long long>(offset));
    return text;
}
}  // namespace

ParadoxBlobFileCheck::ParadoxBlobFileCheck(PagedFile file, std::string tableName, Findings& findings)
    : blobs_(std::move(file)),
      name_(blobs_.file().path().filename().string()),
      tableName_(std::move(tableName)),
      findings_(findings),
      size_(blobs_.file().size()) {
    walk();
}

std::string ParadoxBlobFileCheck::place(std::uint64_t offset) const { return "block at " + hex(offset); }

void ParadoxBlobFileCheck::fault(std::size_t block, std::string problem, std::string kind, bool takesValues) {
    const std::uint64_t at = block == kNoBlock ? walkedEnd_ : blocks_[block].start;
    faults_.push_back({block, place(at), std::move(problem), std::move(kind), takesValues});
}

void ParadoxBlobFileCheck::walk() {
    std::uint8_t head[3] = {};
    blocks_.push_back({0, Blobs::kBlockUnit, Blobs::kHeaderBlock});
    if (size_ < Blobs::kBlockUnit) {
        fault(0, "the file ends inside its header block, after " + std::to_string(size_) + " bytes", {}, false);
        walkedEnd_ = size_;
        return;
    }
    blobs_.file().readExact(0, head, sizeof head);
    if (head[0] != Blobs::kHeaderBlock)
        fault(0, "the first block is of type " + std::to_string(head[0]) + ", not a header block", {}, false);
    if (le16(head + 1) != 1)
        fault(0, "the header block states " + std::to_string(le16(head + 1)) + " units of 4096 bytes; it is one", {},
              false);
    // Each block states its size: the walk advances by at least one unit a step until the end.
    std::uint64_t at = Blobs::kBlockUnit;
    while (at < size_) {
        walkedEnd_ = at;
        if (size_ - at < sizeof head) {
            fault(kNoBlock, "the file ends with " + std::to_string(size_ - at) + " bytes that make no block", {},
                  false);
            return;
        }
        blobs_.file().readExact(at, head, sizeof head);
        const std::size_t index = blocks_.size();
        blocks_.push_back({at, std::uint64_t{le16(head + 1)} * Blobs::kBlockUnit, head[0]});
        Block& block = blocks_.back();
        const bool known =
            block.type == Blobs::kSingleBlock || block.type == Blobs::kSubAllocated || block.type == Blobs::kFreeBlock;
        if (!known) fault(index, "is of the unknown type " + std::to_string(block.type), "block type", true);
        if (block.type == Blobs::kSubAllocated && block.bytes != Blobs::kBlockUnit) {
            fault(index,
                  "is a suballocated block stating " + std::to_string(block.bytes / Blobs::kBlockUnit) +
                      " units; such a block is one",
                  "suballocated size", false);
            block.bytes = Blobs::kBlockUnit;
        }
        if (block.bytes == 0) {
            block.bytes = std::min<std::uint64_t>(Blobs::kBlockUnit, size_ - at);
            walkedEnd_ = at + block.bytes;
            fault(index, "states a size of 0: the blocks after it cannot be walked", {},
                  block.type != Blobs::kFreeBlock);
            return;
        }
        if (block.bytes > size_ - at) {
            fault(index,
                  "states " + std::to_string(block.bytes) + " bytes, which run " +
                      std::to_string(at + block.bytes - size_) + " bytes past the end of the file",
                  {}, !known || bytesNeeded(block) > size_ - at);
            walkedEnd_ = size_;
            return;
        }
        if (block.type == Blobs::kSubAllocated) checkSlots(index);
        at += block.bytes;
    }
    walkedEnd_ = at;
}

std::uint64_t ParadoxBlobFileCheck::bytesNeeded(const Block& block) const {
    if (block.type == Blobs::kFreeBlock) return 0;
    if (block.type != Blobs::kSingleBlock) return Blobs::kBlockUnit;
    std::uint8_t length[4];
    if (blobs_.file().read(block.start + 3, length, sizeof length) != sizeof length) return UINT64_MAX;
    return Blobs::kSingleHeader + std::uint64_t{le32(length)};
}

void ParadoxBlobFileCheck::checkSlots(std::size_t block) {
    std::uint8_t table[Blobs::kSlotTable + Blobs::kSlotEntry * Blobs::kSlotCount];
    blobs_.file().readExact(blocks_[block].start, table, sizeof table);
    struct Span {
        std::uint32_t first = 0, end = 0, slot = 0;
    };
    std::vector<Span> spans;
    for (std::uint32_t slot = 0; slot < Blobs::kSlotCount; ++slot) {
        const std::uint8_t* entry = table + Blobs::kSlotTable + Blobs::kSlotEntry * slot;
        if (entry[0] == 0 || entry[4] == 0) continue;  // unused or deleted
        const Span span{entry[0] * Blobs::kChunk, (entry[0] + std::uint32_t{entry[1]}) * Blobs::kChunk, slot};
        const std::string name = "its slot " + std::to_string(slot);
        if (entry[1] == 0 || entry[4] > Blobs::kChunk)
            fault(block,
                  name + " states " + std::to_string(entry[1]) + " chunks with " + std::to_string(entry[4]) +
                      " bytes in the last",
                  "slot length", true);
        else if (span.first < Blobs::kSubDataStart || span.end > Blobs::kBlockUnit)
            fault(block,
                  name + " holds bytes " + std::to_string(span.first) + " to " + std::to_string(span.end) +
                      ", outside the block's data",
                  "slot outside", true);
        else
            spans.push_back(span);
    }
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.first < b.first; });
    // Against the slot reaching furthest so far, so that one slot spanning several is caught.
    const Span* furthest = nullptr;
    for (const Span& span : spans) {
        if (furthest && span.first < furthest->end)
            fault(block,
                  "its slots " + std::to_string(furthest->slot) + " and " + std::to_string(span.slot) + " share bytes",
                  "slot overlap", true);
        if (!furthest || span.end > furthest->end) furthest = &span;
    }
}

void ParadoxBlobFileCheck::checkPointer(std::uint32_t location, std::uint32_t length, std::uint64_t record) {
    const std::uint64_t start = location & ~std::uint64_t{0xFF};
    if (start >= walkedEnd_) return;  // past the walk: the walk's own finding or the reader tells
    const auto after = std::upper_bound(blocks_.begin(), blocks_.end(), start,
                                        [](std::uint64_t offset, const Block& b) { return offset < b.start; });
    Block& block = *std::prev(after);  // the header block starts at 0
    if (block.start == start) {
        block.referenced = true;
        return;
    }
    try {
        blobs_.read(location, length);
    } catch (const EngineError&) {
        return;  // the reader reports it when it reads the record
    }
    findings_.add({tableName_, "record " + std::to_string(record),
                   "its blob at " + hex(location) + " lies inside the " + name_ + " block at " + hex(block.start) +
                       ", so its value is other bytes",
                   verifylevel::kPartial},
                  "blob inside a block");
}

void ParadoxBlobFileCheck::finish() {
    for (Fault& f : faults_) {
        const bool lost = f.takesValues && f.block != kNoBlock && blocks_[f.block].referenced;
        findings_.add(
            {name_, std::move(f.place), std::move(f.problem), lost ? verifylevel::kPartial : verifylevel::kRepairable},
            f.kind);
    }
    faults_.clear();
}

}  // namespace tabulon
