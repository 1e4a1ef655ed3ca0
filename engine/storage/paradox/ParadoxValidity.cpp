#include "ParadoxValidity.h"

#include <algorithm>
#include <ctime>

#include "../../core/EngineError.h"
#include "ParadoxBytes.h"

namespace tabulon::paradox {

namespace {
// File header: family link byte, version, number of field checks, a time stamp, fields + 1,
// offset of the field list at the end; the checks start at kChecksAt.
constexpr std::size_t kCheckCountAt = 0x02, kStampAt = 0x03, kFieldsAt = 0x07, kFooterAt = 0x09, kChecksAt = 0x35;
constexpr std::uint8_t kLinkByte = 0x2E;  // in the .DB header
// A field check: field position, picture length, required flag, lookup kind, then six slots
// that are non-zero when the check has that part (pointers of the program that wrote it). The
// parts follow the check in slot order: the lookup table's name, minimum, maximum, default,
// picture. The fourth slot was empty in every file seen; a check using it cannot be sized.
constexpr std::size_t kCheckBytes = 28, kPictureLengthAt = 1, kRequiredAt = 2, kLookupAt = 4, kMinimumAt = 8,
                      kMaximumAt = 12, kUnknownAt = 16, kDefaultAt = 20, kPictureAt = 24;
constexpr std::size_t kLookupNameBytes = 80, kPathBytes = 79;

bool slotUsed(const std::uint8_t* check, std::size_t at) { return le32(check + at) != 0; }
}  // namespace

std::vector<ParadoxFieldCheck> parseParadoxValidity(const std::vector<std::uint8_t>& file, const ParadoxHeader& table,
                                                    const std::string& fileName) {
    auto fault = [&](const std::string& why) { return EngineError(errkind::kFormat, fileName + ": " + why); };
    if (file.size() < kChecksAt) throw fault("the file is shorter than its header");
    if (table.raw.size() > kLinkByte && file[0] != table.raw[kLinkByte])
        throw fault("the checks belong to another version of the table (link byte differs)");
    const std::size_t end = std::min<std::size_t>(le16(file.data() + kFooterAt), file.size());
    std::vector<ParadoxFieldCheck> checks;
    std::size_t at = kChecksAt;
    for (int i = 0; i < file[kCheckCountAt]; ++i) {
        if (at + kCheckBytes > end) throw fault("check " + std::to_string(i + 1) + " is cut short");
        const std::size_t start = at;
        const std::uint8_t* c = file.data() + at;
        at += kCheckBytes;
        ParadoxFieldCheck check;
        check.field = c[0];
        if (check.field >= table.fields.size())
            throw fault("check " + std::to_string(i + 1) + " names field " + std::to_string(check.field + 1) +
                        "; the table has " + std::to_string(table.fields.size()));
        if (slotUsed(c, kUnknownAt))
            throw fault("check " + std::to_string(i + 1) + " has a part this program does not know");
        const auto bytes = static_cast<std::size_t>(table.fields[check.field].bytes);
        auto take = [&](std::size_t size) {
            if (at + size > end) throw fault("check " + std::to_string(i + 1) + " is cut short");
            std::vector<std::uint8_t> part(file.begin() + static_cast<std::ptrdiff_t>(at),
                                           file.begin() + static_cast<std::ptrdiff_t>(at + size));
            at += size;
            return part;
        };
        check.required = c[kRequiredAt] != 0;
        if (slotUsed(c, kLookupAt)) take(kLookupNameBytes);
        if (slotUsed(c, kMinimumAt)) check.minimum = take(bytes);
        if (slotUsed(c, kMaximumAt)) check.maximum = take(bytes);
        if (slotUsed(c, kDefaultAt)) take(bytes);
        if (slotUsed(c, kPictureAt)) take(c[kPictureLengthAt]);
        check.stored.assign(file.begin() + static_cast<std::ptrdiff_t>(start),
                            file.begin() + static_cast<std::ptrdiff_t>(at));
        checks.push_back(std::move(check));
    }
    return checks;
}

std::vector<ParadoxFieldCheck> requiredChecks(const std::vector<bool>& required) {
    std::vector<ParadoxFieldCheck> checks;
    for (std::size_t i = 0; i < required.size(); ++i)
        if (required[i]) checks.push_back({i, true, std::nullopt, std::nullopt, {}});
    return checks;
}

std::vector<std::uint8_t> buildParadoxValidity(const ParadoxHeader& table,
                                               const std::vector<ParadoxFieldCheck>& checks) {
    std::vector<std::uint8_t> file(kChecksAt, 0);
    file[0] = table.raw[kLinkByte];
    file[1] = static_cast<std::uint8_t>(std::min(table.versionByte, 0x0B));  // no later version was seen
    putLe32(file.data() + kStampAt, static_cast<std::uint32_t>(std::time(nullptr)));
    putLe16(file.data() + kFieldsAt, static_cast<std::uint32_t>(table.fields.size() + 1));
    int count = 0;
    for (const ParadoxFieldCheck& check : checks) {
        if (check.field >= table.fields.size()) continue;
        std::vector<std::uint8_t> bytes = check.stored;
        if (bytes.size() < kCheckBytes) bytes.assign(kCheckBytes, 0);
        bytes[0] = static_cast<std::uint8_t>(check.field);
        bytes[kRequiredAt] = check.required ? 1 : 0;
        file.insert(file.end(), bytes.begin(), bytes.end());
        ++count;
    }
    file[kCheckCountAt] = static_cast<std::uint8_t>(count);
    putLe16(file.data() + kFooterAt, static_cast<std::uint32_t>(file.size()));

    // The field list: count, key fields, bytes of path and names, field numbers, type and size
    // pairs, the table's path, the names.
    std::vector<std::uint8_t> names;
    for (const auto& f : table.fields) {
        names.insert(names.end(), f.name.begin(), f.name.end());
        names.push_back(0);
    }
    auto word = [&](std::size_t v) {
        file.push_back(static_cast<std::uint8_t>(v));
        file.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    word(table.fields.size());
    word(static_cast<std::size_t>(table.keyFieldCount));
    word(kPathBytes + names.size());
    for (std::size_t i = 0; i < table.fields.size(); ++i) word(i + 1);
    for (const auto& f : table.fields) {
        file.push_back(f.type.code);
        file.push_back(static_cast<std::uint8_t>(f.sizeByte));
    }
    std::vector<std::uint8_t> path(kPathBytes, 0);
    std::copy_n(table.tableName.begin(), std::min(table.tableName.size(), kPathBytes - 1), path.begin());
    file.insert(file.end(), path.begin(), path.end());
    file.insert(file.end(), names.begin(), names.end());
    return file;
}

}  // namespace tabulon::paradox
