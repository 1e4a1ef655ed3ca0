#include "ParadoxHeaderBuilder.h"

#include <ctime>

#include "../../core/EngineError.h"
#include "ParadoxBytes.h"

namespace tabulon::paradox {

namespace {
constexpr std::size_t kFixedPart = 0x58, kLevel4Part = 0x78, kSizeUnit = 2048;
constexpr std::uint32_t kEncryptionPlaceholder = 0xFF00FF00;

void append(std::vector<std::uint8_t>& out, const std::string& s, bool terminate = true) {
    out.insert(out.end(), s.begin(), s.end());
    if (terminate) out.push_back(0);
}
}  // namespace

ParadoxHeader buildParadoxHeader(const ParadoxHeaderSpec& spec) {
    ParadoxHeader probe;
    probe.kind = spec.kind;
    probe.versionByte = spec.versionByte;
    const bool tree = probe.isIndexTree();
    const bool level4 = probe.hasLevel4Block();
    const std::size_t n = spec.fields.size();

    std::vector<std::uint8_t> raw(level4 ? kLevel4Part : kFixedPart, 0);
    int recordSize = 0;
    for (const ParadoxField& f : spec.fields) {
        raw.push_back(f.type.code);
        raw.push_back(static_cast<std::uint8_t>(f.sizeByte));
        recordSize += f.bytes;
    }
    if (tree) recordSize += 6;
    raw.insert(raw.end(), 4, 0);  // run-time pointer to the table name
    if (!tree) raw.insert(raw.end(), 4 * n, 0);
    const std::size_t nameSlot = spec.versionByte >= 0x0C ? 261 : 79;
    if (spec.tableName.size() >= nameSlot)
        throw EngineError(errkind::kValue, "Table name " + spec.tableName + " is too long for a Paradox header");
    std::string tableName = spec.tableName;
    tableName.resize(nameSlot, '\0');
    append(raw, tableName, false);
    if (!tree)
        for (const ParadoxField& f : spec.fields) append(raw, f.name);
    std::size_t fieldNumbersAt = 0, sortNameAt = 0;
    if (level4) {
        fieldNumbersAt = raw.size();
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint16_t number =
                i < spec.fieldNumbers.size() ? spec.fieldNumbers[i] : static_cast<std::uint16_t>(i + 1);
            raw.push_back(static_cast<std::uint8_t>(number));
            raw.push_back(static_cast<std::uint8_t>(number >> 8));
        }
        sortNameAt = raw.size();
        append(raw, spec.sortOrderName);
        if (!spec.indexName.empty()) append(raw, spec.indexName);
    }
    const std::size_t used = raw.size();
    const std::size_t headerSize = (used + kSizeUnit - 1) / kSizeUnit * kSizeUnit;
    if (headerSize > 0xF800)
        throw EngineError(errkind::kValue, "The field list of " + spec.tableName + " does not fit a Paradox header");
    raw.resize(headerSize, 0);

    std::uint8_t* f = raw.data();
    putLe16(f + 0x00, static_cast<std::uint32_t>(recordSize));
    putLe16(f + 0x02, static_cast<std::uint32_t>(headerSize));
    f[0x04] = static_cast<std::uint8_t>(spec.kind);
    f[0x05] = static_cast<std::uint8_t>(spec.blockKiB);
    f[0x15] = static_cast<std::uint8_t>(spec.firstIndexedField);
    putLe16(f + 0x1E, tree ? 1 : 0);
    putLe16(f + 0x21, static_cast<std::uint32_t>(n));
    putLe16(f + 0x23, static_cast<std::uint32_t>(spec.keyFieldCount));
    if (level4) putLe32(f + 0x25, kEncryptionPlaceholder);
    f[0x29] = static_cast<std::uint8_t>(spec.sortOrderId);
    if (probe.isSecondaryData()) f[0x2C] = 0xFF;
    f[0x2E] = spec.familyLink;
    f[0x39] = static_cast<std::uint8_t>(spec.versionByte);
    putLe16(f + 0x3A, 1);
    if (!tree) {
        f[0x3E] = 0x1F;
        f[0x3F] = 0x0F;
    }
    if (level4) {
        putLe16(f + 0x51, static_cast<std::uint32_t>(used));
        f[0x55] = static_cast<std::uint8_t>(spec.indexFlags);
        f[0x56] = 0x20;
        putLe16(f + 0x58, 0x100u + static_cast<std::uint32_t>(spec.versionByte));
        putLe16(f + 0x5A, 0x100u + static_cast<std::uint32_t>(spec.versionByte));
        putLe32(f + 0x60, static_cast<std::uint32_t>(std::time(nullptr)));
        putLe16(f + 0x64, static_cast<std::uint32_t>(n + 1));
        putLe16(f + 0x66, static_cast<std::uint32_t>(fieldNumbersAt - kFixedPart));
        putLe16(f + 0x6A, static_cast<std::uint32_t>(spec.codePage));
        f[0x6C] = 0x01;
        f[0x6D] = 0x01;
        putLe16(f + 0x6E, static_cast<std::uint32_t>(sortNameAt - kFixedPart));
    }
    return ParadoxHeader::parse(std::move(raw), spec.tableName);
}

}  // namespace tabulon::paradox
