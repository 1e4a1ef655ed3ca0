#pragma once
// Damages a copy of a table the way crashes, bad disks and stray writers do, at places a seed
// chooses, so each damage can be tested against what verification and rebuilding make of it.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/AsciiCase.h"
#include "io/PagedFile.h"
#include "storage/Drivers.h"
#include "storage/dbase/DbaseHeader.h"
#include "storage/dbase/MdxFile.h"
#include "storage/dbase/NdxFile.h"
#include "storage/paradox/ParadoxBytes.h"
#include "storage/paradox/ParadoxHeader.h"

namespace tabulon::testing {

enum class Damage {
    Truncate,          // the file cut inside its last block (record)
    ZeroBlock,         // a block in the middle of the chain zeroed
    BreakChain,        // a block's next link pointing back to the first block
    SwapKeys,          // two neighbouring records of a keyed table swapped
    StaleIndexes,      // the index files of an earlier state of the table
    BadBlobPointer,    // a blob or memo pointer past the end of its file
    DuplicateKey,      // a record's key overwritten with its predecessor's
    WrongRecordCount,  // the header's record count changed
    LostIndexEntry,    // a secondary index entry naming a record the table does not hold
    SwapTagKeys,       // two neighbouring entries of a dBase tag's first leaf swapped
    // Damage to the blocks of a Paradox .MB that holds blobs in each kind of block:
    BlobBlockType,          // a block holding a blob given an unknown type code
    FreeBlobBlockType,      // a free block given an unknown type code
    BlobBlockPastEnd,       // the last block's size run past the end of the file
    BlobSlotsOverlap,       // two slots of a suballocated block pointing to the same bytes
    BlobPointerInsideBlock  // a record's pointer moved into its block, where a block head is forged
};

class TableDamage {
public:
    TableDamage(std::filesystem::path table, unsigned seed) : table_(std::move(table)), random_(seed) {}

    // `index`: the .NDX or .MDX file whose tag SwapTagKeys damages (empty: the production .MDX).
    void apply(Damage damage, const std::filesystem::path& index = {}) {
        if (damage == Damage::SwapTagKeys)
            swapLeafEntries(index.empty() ? sibling(".MDX") : index);
        else if (tableTypeForPath(table_) == ttDBase)
            damageDbase(damage);
        else
            damageParadox(damage);
    }

private:
    using Bytes = std::vector<std::uint8_t>;

    static Bytes read(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    static void write(const std::filesystem::path& path, const Bytes& bytes) {
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
    std::filesystem::path sibling(const std::string& extension) const {
        return findFileIgnoringCase(table_.parent_path(), table_.stem().string() + extension);
    }

    void damageParadox(Damage damage) {
        if (damage >= Damage::BlobBlockType) return damageBlobFile(damage);
        Bytes db = read(table_);
        const auto header = paradox::ParadoxHeader::read(PagedFile::open(table_, AccessMode::ReadOnly));
        const auto block = [&](int number) { return db.data() + header.blockOffset(number); };
        // Block numbers in chain order.
        std::vector<int> chain;
        for (int n = header.firstBlock; n != 0; n = paradox::le16(block(n))) chain.push_back(n);
        const auto size = static_cast<std::size_t>(header.recordSize);
        const auto middle = [&] {
            return chain[static_cast<std::size_t>(pick(1, static_cast<int>(chain.size()) - 2))];
        };
        switch (damage) {
            case Damage::Truncate: {
                // Inside the records of the chain's last block.
                const int last = chain.back();
                const int lastOffset = static_cast<std::int16_t>(paradox::le16(block(last) + 4));
                db.resize(header.blockOffset(last) + 6 + static_cast<std::size_t>(pick(0, lastOffset)));
                break;
            }
            case Damage::ZeroBlock: {
                std::uint8_t* b = block(middle());
                std::fill(b, b + header.blockSize, 0);
                break;
            }
            case Damage::BreakChain:
                paradox::putLe16(block(middle()), static_cast<std::uint32_t>(chain.front()));
                break;
            case Damage::SwapKeys: {
                std::uint8_t* first = block(middle()) + 6 + static_cast<std::size_t>(pick(0, 3)) * size;
                std::swap_ranges(first, first + size, first + size);
                break;
            }
            case Damage::DuplicateKey: {
                std::uint8_t* second = block(middle()) + 6 + static_cast<std::size_t>(pick(1, 3)) * size;
                const std::size_t keyBytes = static_cast<std::size_t>(header.fields[0].bytes);
                std::copy(second - size, second - size + keyBytes, second);
                break;
            }
            case Damage::WrongRecordCount:
                paradox::putLe32(db.data() + paradox::ParadoxHeader::kRecordCount, header.recordCount + pick(1, 50));
                break;
            case Damage::BadBlobPointer: {
                const auto blob =
                    std::find_if(header.fields.begin(), header.fields.end(), [](const auto& f) { return f.type.blob; });
                const std::uint32_t mbSize = static_cast<std::uint32_t>(std::filesystem::file_size(sibling(".MB")));
                // Every record of a middle block: some of them hold a blob in the .MB.
                const int number = middle();
                for (int r = 0; r < 4; ++r)
                    paradox::putLe32(block(number) + 6 + static_cast<std::size_t>(r) * size +
                                         static_cast<std::size_t>(blob->offset + blob->bytes - 10),
                                     (mbSize + static_cast<std::uint32_t>(pick(1, 64)) * 4096) | 0xFF);
                break;
            }
            case Damage::LostIndexEntry:
                damageParadoxIndexEntry();
                break;
            case Damage::StaleIndexes:
                break;  // by the caller: it keeps the index files of an earlier state
            default:
                break;  // a dBase index's, by apply(); the .MB's, by damageBlobFile()
        }
        write(table_, db);
    }

    // Gives an entry of the first block of a secondary index a primary key no record holds.
    void damageParadoxIndexEntry() {
        std::filesystem::path index;
        for (const auto& entry : std::filesystem::directory_iterator(table_.parent_path()))
            if (entry.path().stem() == table_.stem() && entry.path().extension().string().starts_with(".X"))
                index = entry.path();
        Bytes x = read(index);
        const auto header = paradox::ParadoxHeader::read(PagedFile::open(index, AccessMode::ReadOnly));
        const paradox::ParadoxField& primary = header.fields[1];
        const std::size_t at = header.blockOffset(header.firstBlock) + 6 +
                               static_cast<std::size_t>(pick(1, 3) * header.recordSize + primary.offset);
        std::fill_n(x.begin() + static_cast<std::ptrdiff_t>(at), primary.bytes, 0x7F);
        write(index, x);
    }

    void damageBlobFile(Damage damage) {
        const auto path = sibling(".MB");
        Bytes mb = read(path);
        constexpr std::size_t kUnit = 4096;
        struct Block {
            std::size_t at;
            std::uint8_t type;
            std::uint16_t units;
        };
        std::vector<Block> blocks;  // after the header block
        for (std::size_t at = kUnit; at + 3 <= mb.size() && mb[at + 1] + mb[at + 2] != 0;
             at += blocks.back().units * kUnit)
            blocks.push_back({at, mb[at], paradox::le16(&mb[at + 1])});
        const auto anyOf = [&](std::uint8_t type) {
            std::vector<std::size_t> found;
            for (const Block& b : blocks)
                if (b.type == type) found.push_back(b.at);
            return found.at(static_cast<std::size_t>(pick(0, static_cast<int>(found.size()) - 1)));
        };
        const auto unknownType = [&] { return static_cast<std::uint8_t>(pick(5, 255)); };
        switch (damage) {
            case Damage::BlobBlockType:
                mb[anyOf(2)] = unknownType();
                break;
            case Damage::FreeBlobBlockType:
                mb[anyOf(4)] = unknownType();
                break;
            case Damage::BlobBlockPastEnd:
                paradox::putLe16(&mb[blocks.back().at + 1],
                                 blocks.back().units + static_cast<std::uint32_t>(pick(1, 50)));
                break;
            case Damage::BlobSlotsOverlap: {
                std::uint8_t* slots = &mb[anyOf(3) + 12];
                std::vector<std::uint8_t*> used;
                for (int slot = 0; slot < 64; ++slot)
                    if (slots[slot * 5] != 0) used.push_back(slots + slot * 5);
                const int first = pick(0, static_cast<int>(used.size()) - 2);
                used[static_cast<std::size_t>(pick(first + 1, static_cast<int>(used.size()) - 1))][0] =
                    used[static_cast<std::size_t>(first)][0];
                break;
            }
            case Damage::BlobPointerInsideBlock: {
                // The first blob of two units but the last block: its second unit is in the file.
                const std::size_t start = std::find_if(blocks.begin(), blocks.end() - 1, [](const Block& b) {
                                              return b.type == 2 && b.units == 2;
                                          })->at;
                Bytes db = read(table_);
                std::uint8_t pointer[4];
                paradox::putLe32(pointer, static_cast<std::uint32_t>(start) | 0xFF);
                // The pointer's bytes, after a leader of text, are found nowhere else in the file.
                std::uint8_t* at = &*std::search(db.begin(), db.end(), pointer, pointer + 4);
                paradox::putLe32(at, static_cast<std::uint32_t>(start + kUnit) | 0xFF);
                mb[start + kUnit] = 2;
                paradox::putLe16(&mb[start + kUnit + 1], 2);
                std::copy(at + 4, at + 8, &mb[start + kUnit + 3]);  // the record's length
                write(table_, db);
                break;
            }
            default:
                break;
        }
        write(path, mb);
    }

    void damageDbase(Damage damage) {
        Bytes dbf = read(table_);
        const auto header = dbase::readHeader(PagedFile::open(table_, AccessMode::ReadOnly));
        const std::size_t length = header.recordLength;
        const auto record = [&](std::size_t n) { return dbf.data() + header.headerLength + n * length; };
        switch (damage) {
            case Damage::Truncate:
                dbf.resize(dbf.size() - 1 - static_cast<std::size_t>(pick(1, static_cast<int>(length) - 1)));
                break;
            case Damage::WrongRecordCount:
                paradox::putLe32(dbf.data() + 4, header.recordCount - static_cast<std::uint32_t>(pick(1, 5)));
                break;
            case Damage::ZeroBlock:  // a zeroed record: its deletion flag is neither live nor deleted
            {
                std::uint8_t* zeroed =
                    record(static_cast<std::size_t>(pick(0, static_cast<int>(header.recordCount) - 1)));
                std::fill(zeroed, zeroed + length, 0);
                break;
            }
            case Damage::BadBlobPointer: {
                const auto memo = std::find_if(header.fields.begin(), header.fields.end(),
                                               [](const auto& f) { return f.letter == 'M'; });
                for (std::size_t n = 0; n < header.recordCount; ++n) {
                    std::uint8_t* pointer = record(n) + memo->offset;
                    if (pointer[memo->length - 1] == ' ') continue;
                    const std::string far = std::to_string(90000 + pick(0, 999));
                    std::fill(pointer, pointer + memo->length, ' ');
                    std::copy(far.begin(), far.end(), pointer + memo->length - far.size());
                    break;
                }
                break;
            }
            default:
                break;
        }
        write(table_, dbf);
    }

    // Entries stay whole, so each still names its record with its key: only their order breaks.
    void swapLeafEntries(const std::filesystem::path& file) {
        Bytes bytes = read(file);
        dbase::TreeShape shape;
        {
            std::unique_ptr<dbase::IndexFile> index;
            if (asciiUpper(file.extension().string()) == ".NDX")
                index = std::make_unique<dbase::NdxFile>(PagedFile::open(file, AccessMode::ReadOnly));
            else
                index = std::make_unique<dbase::MdxFile>(PagedFile::open(file, AccessMode::ReadOnly));
            shape = *index->treeShape(static_cast<std::size_t>(pick(0, static_cast<int>(index->tags().size()) - 1)));
        }
        const auto at = [&](std::size_t offset) { return paradox::le32(bytes.data() + offset); };
        constexpr std::size_t kPageUnit = 512;
        // Down the first children to the first leaf (an .NDX entry's child pointer is 0 in a
        // leaf; an .MDX branch has a pointer after its last key).
        std::size_t node = at(shape.rootAt) * kPageUnit;
        for (;;) {
            const std::size_t entries = node + shape.entriesAt;
            const bool leaf = shape.ndx ? at(entries) == 0 : at(entries + at(node) * shape.entryLength) == 0;
            if (leaf) break;
            node = at(entries) * kPageUnit;
        }
        std::uint8_t* first = bytes.data() + node + shape.entriesAt +
                              static_cast<std::size_t>(pick(0, static_cast<int>(at(node)) - 2)) * shape.entryLength;
        std::swap_ranges(first, first + shape.entryLength, first + shape.entryLength);
        write(file, bytes);
    }

    std::filesystem::path table_;
    std::mt19937 random_;
};

}  // namespace tabulon::testing
