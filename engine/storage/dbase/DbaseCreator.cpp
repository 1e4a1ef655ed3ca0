#include "DbaseCreator.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <ctime>

#include "../../core/AsciiCase.h"
#include "../../core/EngineError.h"
#include "../../core/TextCodec.h"
#include "../../io/Transaction.h"
#include "../Drivers.h"
#include "ByteOrder.h"
#include "DbaseCodePages.h"
#include "DbaseHeader.h"
#include "MemoFile.h"
#include "ProductionIndex.h"

namespace tabulon::dbase {

namespace {
constexpr int kMaxNameBytes = 10;
constexpr int kMaxCharacterWidth = 254;
constexpr int kMaxNumericWidth = 20;  // dBase's own limit, which new number fields keep
// Tables written elsewhere have wider numbers ("N50"); the descriptor's width byte holds them.
constexpr int kWidestNumber = 254;
constexpr const char* kDefaultEncoding = "CP1252";

// A name dBase accepts: no blanks or punctuation but '_', at most ten characters.
std::string dbaseName(const std::string& name) {
    std::string out;
    std::size_t characters = 0;
    for (char c : name) {
        const auto u = static_cast<unsigned char>(c);
        const bool continuation = (u & 0xC0) == 0x80;
        if (!continuation && characters++ == kMaxNameBytes) break;
        out += u < 0x80 && !std::isalnum(u) ? '_' : c;
    }
    return out.empty() ? std::string("FIELD") : out;
}

FieldDef shaped(const FieldDef& source, FieldType type, const char* letter, int size, int decimals) {
    FieldDef f;
    f.name = dbaseName(source.name);
    f.type = type;
    f.size = size;
    f.decimals = decimals;
    f.required = source.required;
    f.nativeType = letter;
    return f;
}

struct Layout {
    char letter;
    int length;
    int decimals;
};

Layout layoutOf(const FieldDef& f) {
    const std::string letter = f.nativeType.empty() ? nearestDbaseField(f).nativeType : f.nativeType;
    const FieldDef& shape = f.nativeType.empty() ? nearestDbaseField(f) : f;
    auto refuse = [&](const std::string& why) -> Layout {
        throw EngineError(errkind::kValue, "Field " + f.name + ": " + why);
    };
    switch (letter.empty() ? '?' : letter[0]) {
        case 'C':
            if (shape.size < 1 || shape.size > kMaxCharacterWidth)
                return refuse("a character field holds 1 to 254 bytes");
            return {'C', shape.size, 0};
        case 'N':
        case 'F':
            if (shape.size < 1 || shape.size > kWidestNumber || shape.decimals < 0 ||
                (shape.decimals > 0 && shape.decimals > shape.size - 2))
                return refuse("a number field is 1 to 254 wide with room for its decimals");
            return {letter[0], shape.size, shape.decimals};
        case 'D':
            return {'D', 8, 0};
        case 'L':
            return {'L', 1, 0};
        case 'M':
        case 'B':
        case 'G':
            return {letter[0], 10, 0};
        default:
            return refuse("dBase IV has no field of type '" + letter + "'");
    }
}

void writeIfAbsent(const std::filesystem::path& path) {
    if (!findFileIgnoringCase(path.parent_path(), path.filename().string()).empty())
        throw EngineError(errkind::kFile, "Cannot create " + path.string() + ": it exists already");
}
}  // namespace

FieldDef nearestDbaseField(const FieldDef& source) {
    // Only a dBase number has a width (a Paradox number is also "N"): it keeps its shape.
    if ((source.nativeType == "N" || source.nativeType == "F") && source.size > 0 &&
        (source.type == ftSmallint || source.type == ftInteger || source.type == ftFloat))
        return shaped(source, source.type, source.nativeType.c_str(), source.size, source.decimals);
    switch (source.type) {
        case ftString:
            if (source.size > kMaxCharacterWidth) return shaped(source, ftMemo, "M", 0, 0);
            return shaped(source, ftString, "C", std::max(1, source.size), 0);
        case ftSmallint:
            return shaped(source, ftInteger, "N", 6, 0);
        case ftWord:
            return shaped(source, ftInteger, "N", 5, 0);
        case ftInteger:
        case ftAutoInc:
            return shaped(source, ftFloat, "N", 11, 0);
        case ftFloat:
            return shaped(source, ftFloat, "F", kMaxNumericWidth, 8);
        case ftCurrency:
            return shaped(source, ftFloat, "N", kMaxNumericWidth, 4);
        case ftBCD:
            return shaped(source, ftFloat, "N", kMaxNumericWidth, std::clamp(source.size, 0, 18));
        case ftDate:
            return shaped(source, ftDate, "D", 0, 0);
        // dBase IV has no time: the text form keeps every digit.
        case ftTime:
            return shaped(source, ftString, "C", 12, 0);
        case ftDateTime:
            return shaped(source, ftString, "C", 23, 0);
        case ftBoolean:
            return shaped(source, ftBoolean, "L", 0, 0);
        case ftMemo:
        case ftFmtMemo:
            return shaped(source, ftMemo, "M", 0, 0);
        case ftDBaseOle:
        case ftParadoxOle:
            return shaped(source, ftDBaseOle, "G", 0, 0);
        case ftBlob:
        case ftGraphic:
        case ftTypedBinary:
        case ftBytes:
        case ftVarBytes:
            return shaped(source, ftTypedBinary, "B", 0, 0);
        default:
            throw EngineError(errkind::kValue, "Field " + source.name + " of type " +
                                                   std::string(fieldTypeName(source.type)) +
                                                   " has no dBase counterpart");
    }
}

void createDbaseFiles(const std::filesystem::path& path, const std::vector<FieldDef>& fields,
                      const std::vector<IndexDef>& indexes, const CreateOptions& options) {
    std::string version = options.version.empty() ? "dBase IV" : options.version;
    // As facts() names a table's version: whether memos follow is the fields' business.
    if (const auto memo = version.rfind(" with memo"); memo != std::string::npos && memo + 10 == version.size())
        version.erase(memo);
    // A production index needs dBase IV; a table asked to be dBase III at least becomes one.
    if ((version == "dBase III" || version == "3") && !indexes.empty() && options.versionAtLeast) version = "dBase IV";
    const bool dbase3 = version == "dBase III" || version == "3";
    if (!dbase3 && version != "dBase IV" && version != "4")
        throw EngineError(errkind::kNotSupported, "Cannot create " + path.filename().string() + " as '" + version +
                                                      "': dBase III and dBase IV tables can be created");
    if (!indexes.empty() && dbase3)
        throw EngineError(errkind::kNotSupported,
                          "Cannot create " + path.filename().string() +
                              " with indexes as dBase III: its production index needs dBase IV");
    const TextCodec codec(options.encoding.empty() ? kDefaultEncoding : options.encoding);
    std::optional<std::uint8_t> ldid;
    if (codec.name().rfind("CP", 0) == 0) ldid = languageDriverForCodePage(std::atoi(codec.name().c_str() + 2));
    if (!ldid)
        throw EngineError(errkind::kNotSupported, "Code page " + codec.name() + " has no dBase language driver byte");
    if (fields.empty() || fields.size() > 255)
        throw EngineError(errkind::kValue, "A dBase table has 1 to 255 fields, not " + std::to_string(fields.size()));

    std::string descriptors;
    std::vector<std::string> names;
    std::vector<FieldDef> written;  // as the new table will read them, for the index expressions
    std::uint32_t recordLength = 1;
    bool memo = false;
    for (const FieldDef& f : fields) {
        const Layout layout = layoutOf(f);
        const auto name = codec.encode(f.name);
        if (!name || name->empty() || name->size() > kMaxNameBytes || name->find('\0') != std::string::npos)
            throw EngineError(errkind::kValue,
                              "Field " + f.name + ": a dBase field name is 1 to 10 bytes in code page " + codec.name());
        const std::string upperName = asciiUpper(*name);
        if (std::find(names.begin(), names.end(), upperName) != names.end())
            throw EngineError(errkind::kValue, "Field " + f.name + ": the name is used twice");
        names.push_back(upperName);
        std::string descriptor(32, '\0');
        std::memcpy(descriptor.data(), name->data(), name->size());
        descriptor[11] = layout.letter;
        descriptor[16] = static_cast<char>(layout.length);
        descriptor[17] = static_cast<char>(layout.decimals);
        descriptors += descriptor;
        FieldDef readBack = f;
        readBack.size = layout.letter == 'C' || layout.letter == 'N' || layout.letter == 'F' ? layout.length : 0;
        readBack.decimals = layout.decimals;
        written.push_back(readBack);
        recordLength += static_cast<std::uint32_t>(layout.length);
        memo = memo || layout.letter == 'M' || layout.letter == 'B' || layout.letter == 'G';
    }
    if (recordLength > 0xFFFF) throw EngineError(errkind::kValue, "The fields take more than 65535 bytes per record");

    const std::time_t now = std::time(nullptr);
    std::tm today{};
    localtime_r(&now, &today);
    std::uint8_t header[32] = {};
    header[0] = memo ? (dbase3 ? 0x83 : 0x8B) : 0x03;
    header[1] = static_cast<std::uint8_t>(std::clamp(today.tm_year, 0, 255));
    header[2] = static_cast<std::uint8_t>(today.tm_mon + 1);
    header[3] = static_cast<std::uint8_t>(today.tm_mday);
    putLe16(header + 8, static_cast<std::uint16_t>(32 + descriptors.size() + 1));
    putLe16(header + 10, static_cast<std::uint16_t>(recordLength));
    header[28] = indexes.empty() ? 0 : 1;  // a production index exists
    header[29] = *ldid;
    std::string bytes(reinterpret_cast<const char*>(header), sizeof header);
    bytes += descriptors;
    bytes += static_cast<char>(DbaseHeader::kTerminator);
    bytes += static_cast<char>(DbaseHeader::kEndOfFile);

    const std::vector<MdxTagSpec> tags = tagSpecsFor(indexes, written);
    writeIfAbsent(path);
    const std::filesystem::path mdxPath = path.parent_path() / (path.stem().string() + ".MDX");
    if (!tags.empty()) writeIfAbsent(mdxPath);
    const std::filesystem::path memoPath = path.parent_path() / (path.stem().string() + ".DBT");
    if (memo) writeIfAbsent(memoPath);
    Transaction::recoverFolder(path.parent_path().empty() ? "." : path.parent_path());
    PagedFile dbf = PagedFile::createNew(path);
    dbf.write(0, bytes.data(), bytes.size());
    // The files outlive the transaction, whose rollback after a failed commit still uses them.
    std::optional<PagedFile> memoFile;
    std::optional<PagedFile> mdxFile;
    Transaction transaction(path.string() + Transaction::kJournalExtension);
    transaction.enlist(dbf);
    if (memo) {
        memoFile.emplace(MemoFile::createEmpty(memoPath, MemoKind::Dbt, dbase3));
        transaction.enlist(*memoFile);
    }
    if (!tags.empty()) {
        const std::string mdx = buildProductionIndex(path.stem().string(), tags, written, codec, 0, {});
        mdxFile.emplace(PagedFile::createNew(mdxPath));
        mdxFile->write(0, mdx.data(), mdx.size());
        transaction.enlist(*mdxFile);
    }
    transaction.commit();
}

}  // namespace tabulon::dbase
