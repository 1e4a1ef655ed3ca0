#include "TDBFReader.h"

#include <fstream>
#include <system_error>

namespace tabulon {

namespace {

constexpr std::uint8_t kTerminator = 0x0D;
constexpr std::size_t kMonthOffset = 2;
constexpr std::size_t kDayOffset = 3;
constexpr std::size_t kHeaderLengthOffset = 8;
constexpr std::size_t kTableFlagsOffset = 28;
constexpr std::uint8_t kProductionIndexFlag = 0x01;
constexpr unsigned kSmallestHeaderLength = 33;

bool hasThirtyTwoByteDescriptors(std::uint8_t version) {
    constexpr std::uint8_t kFormatLevelBits = 0x07;
    constexpr std::uint8_t kLevelThree = 0x03;
    if ((version & kFormatLevelBits) == kLevelThree) return true;
    switch (version) {
        case 0x30:
        case 0x31:
        case 0x32:
        case 0xF5:
        case 0xFB:
            return true;
        default:
            return false;
    }
}

bool isDbaseHeader(const TDBRecObject::Slot& header) {
    const unsigned headerLength = header[kHeaderLengthOffset] | (unsigned{header[kHeaderLengthOffset + 1]} << 8);
    return hasThirtyTwoByteDescriptors(header[0]) && header[kMonthOffset] <= 12 && header[kDayOffset] <= 31 &&
           headerLength >= kSmallestHeaderLength;
}

// Reads up to one slot; what the file does not hold reads as zero bytes.
std::size_t readSlot(std::ifstream& in, TDBRecObject::Slot& slot) {
    slot.fill(0);
    in.read(reinterpret_cast<char*>(slot.data()), static_cast<std::streamsize>(slot.size()));
    const auto got = static_cast<std::size_t>(in.gcount());
    in.clear();
    return got;
}

}  // namespace

bool TDBFReader::ReadHeader(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return false;
    Clear();
    const auto fileSize = std::filesystem::file_size(path, error);
    std::ifstream in(path, std::ios::binary);
    if (error || !in) return false;

    TDBRecObject::Slot slot;
    if (readSlot(in, slot) < slot.size() || !isDbaseHeader(slot)) return false;
    productionIndex_ = (slot[kTableFlagsOffset] & kProductionIndexFlag) != 0;

    std::uintmax_t position = slot.size();
    position += readSlot(in, slot);
    while (position < fileSize && slot[0] != kTerminator) {
        records_.emplace_back(slot);
        if (records_.size() >= kMaxRecords) break;
        position += readSlot(in, slot);
    }
    return true;
}

const TDBRecObject& TDBFReader::Items(std::size_t index) const {
    return index < records_.size() ? records_[index] : emptyRecord_;
}

void TDBFReader::Clear() {
    records_.clear();
    productionIndex_ = false;
}

}  // namespace tabulon
