#pragma once
// The fixed measures of a FoxPro compound index (.CDX) file, shared by its reader and writer.
#include <cstddef>
#include <cstdint>

namespace tabulon::dbase::cdx {

constexpr std::size_t kNodeSize = 512;
constexpr std::size_t kHeaderSize = 1024;
constexpr std::size_t kLeafEntriesStart = 24;    // where a leaf node's compressed entries begin
constexpr std::size_t kBranchEntriesStart = 12;  // where a branch node's entries begin
constexpr std::size_t kMaxKeyLength = 240;
constexpr std::uint32_t kNone = 0xFFFFFFFF;  // no sibling / no node
constexpr std::uint16_t kRootAttribute = 0x01;
constexpr std::uint16_t kLeafAttribute = 0x02;
// A tag header's option byte and its bits.
constexpr std::size_t kTagOptions = 14;
constexpr std::uint8_t kUniqueOption = 0x01;
constexpr std::uint8_t kCandidateOption = 0x04;  // unique, and a second record of a key is refused
constexpr std::uint8_t kForClauseOption = 0x08;

}  // namespace tabulon::dbase::cdx
