#include "ParadoxDriver.h"

#include <algorithm>
#include <cctype>

#include "../../core/AsciiCase.h"
#include "../../core/EngineError.h"
#include "../../core/TextCodec.h"
#include "../../io/PagedFile.h"
#include "ParadoxFieldType.h"
#include "ParadoxHeader.h"
#include "ParadoxTable.h"
#include "ParadoxTableCreator.h"

namespace tabulon::paradox {

namespace {
constexpr int kMaxAlpha = 255;
constexpr int kMaxLeader = 240;
constexpr int kMaxBcdScale = 32;
constexpr int kLongTextLeader = 10;

// Family members: the index tree, blobs, validity checks, secondary indexes and their trees.
bool isFamilyExtension(const std::string& ext) {
    if (ext == ".PX" || ext == ".MB" || ext == ".VAL" || ext == ".TV" || ext == ".FAM") return true;
    return ext.size() == 4 && (ext[1] == 'X' || ext[1] == 'Y') && std::isalnum(static_cast<unsigned char>(ext[2])) &&
           std::isalnum(static_cast<unsigned char>(ext[3]));
}
}  // namespace

std::unique_ptr<StorageTable> ParadoxDriver::open(const std::filesystem::path& path, const OpenOptions& options) const {
    return std::make_unique<ParadoxTable>(*this, path, options);
}

std::unique_ptr<StorageTable> ParadoxDriver::create(const std::filesystem::path& path,
                                                    const std::vector<FieldDef>& fields,
                                                    const std::vector<IndexDef>& indexes,
                                                    const CreateOptions& options) const {
    return createParadoxTable(*this, path, fields, indexes, options);
}

std::vector<std::filesystem::path> ParadoxDriver::familyFiles(const std::filesystem::path& table) const {
    std::vector<std::filesystem::path> family;
    std::error_code ec;
    if (std::filesystem::exists(table, ec)) family.push_back(table);
    const std::string stem = asciiUpper(table.stem().string());
    const auto folder = table.parent_path().empty() ? std::filesystem::path(".") : table.parent_path();
    std::vector<std::filesystem::path> members;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const auto& p = entry.path();
        if (asciiUpper(p.stem().string()) == stem && isFamilyExtension(asciiUpper(p.extension().string())))
            members.push_back(table.parent_path() / p.filename());
    }
    std::sort(members.begin(), members.end());
    family.insert(family.end(), members.begin(), members.end());
    return family;
}

FieldDef ParadoxDriver::nearestField(const FieldDef& source) const {
    FieldDef f = source;
    f.decimals = 0;
    if (source.type == ftString && source.size > kMaxAlpha) {
        // Longer text than an alpha field holds goes to a memo, its start kept in the record.
        f.type = ftMemo;
        f.size = kLongTextLeader;
    }
    switch (f.type) {
        case ftWord:
            f.type = ftInteger;
            break;
        case ftVarBytes:
            f.type = ftBytes;
            break;
        case ftDBaseOle:
        case ftTypedBinary:
            f.type = ftBlob;
            break;
        case ftUnknown:
        case ftCursor:
            throw EngineError(errkind::kValue, "Field " + source.name + " has no Paradox counterpart");
        default:
            break;
    }
    const auto type = paradoxFieldTypeFor(f.type);
    if (!type) throw EngineError(errkind::kValue, "Field " + source.name + " has no Paradox counterpart");
    f.nativeType = std::string(1, type->letter);
    if (f.type == ftString || f.type == ftBytes)
        f.size = std::clamp(f.size, 1, kMaxAlpha);
    else if (type->blob)
        f.size = std::clamp(f.size, f.type == ftMemo ? 1 : 0, kMaxLeader);
    else if (f.type == ftBCD)
        f.size = std::clamp(f.size, 0, kMaxBcdScale);
    else
        f.size = 0;
    return f;
}

void ParadoxDriver::storeCodePage(const std::filesystem::path& table, const std::string& codePage) const {
    const std::string file = table.filename().string();
    const std::optional<int> number = TextCodec::codePageForName(codePage);
    if (!number || *number > 0xFFFF)
        throw EngineError(errkind::kValue, file + ": a Paradox header cannot name " + codePage);
    PagedFile db = PagedFile::open(table, AccessMode::ReadWrite);
    db.file().lock(ShareMode::Exclusive);
    if (!ParadoxHeader::read(db).hasLevel4Block())
        throw EngineError(errkind::kNotSupported, file + ": a level 3 table's header holds no code page");
    constexpr std::uint64_t kCodePageField = 0x6A;
    const std::uint8_t bytes[] = {static_cast<std::uint8_t>(*number & 0xFF), static_cast<std::uint8_t>(*number >> 8)};
    db.file().writeAt(kCodePageField, bytes, sizeof bytes);
}

}  // namespace tabulon::paradox
