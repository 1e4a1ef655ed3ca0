#pragma once
// Reads the field descriptors straight from a dBase table file's header, without the engine.
#include <cstddef>
#include <filesystem>
#include <vector>

#include "TDBRecObject.h"

namespace tabulon {

// Contract:
// - ReadHeader(path) reads only the header, 32 bytes at a time, and never the records. It
//   returns false for a missing file (list left as it was), a file that cannot be opened or a
//   header it does not recognise (list empty); true with up to 256 descriptors otherwise.
//   It never throws for the file's contents and never reports anything itself.
// - Recognition: the file holds a 32-byte header whose version byte names a format with
//   32-byte descriptors (format level 3 in the low three bits: dBase III, IV, 5 and their
//   memo and SQL variants; FoxPro 0xF5 and 0xFB; Visual FoxPro 0x30 to 0x32), whose month and
//   day bytes are a possible date or zero, and whose header length is at least 33 (the
//   header and a terminator). Level 7 files (48-byte descriptors) are not recognised.
// - The list ends at a slot whose first byte is 0x0D, after 256 records, or when a read
//   reaches the end of the file: the slot just read is then dropped, even if whole.
// - HasProductionIndex() tells whether the header's table flags (byte 28) name a production
//   index file (.MDX; FoxPro's structural .CDX) of the table's name; false when no header was read.
// - Items(i) past Count() gives an empty record. One thread at a time.
class TDBFReader {
public:
    static constexpr std::size_t kMaxRecords = 256;

    bool ReadHeader(const std::filesystem::path& path);
    std::size_t Count() const { return records_.size(); }
    const TDBRecObject& Items(std::size_t index) const;
    bool HasProductionIndex() const { return productionIndex_; }
    void Clear();

private:
    std::vector<TDBRecObject> records_;
    TDBRecObject emptyRecord_;
    bool productionIndex_ = false;
};

}  // namespace tabulon
