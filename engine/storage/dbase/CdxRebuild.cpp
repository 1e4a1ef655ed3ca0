#include "CdxRebuild.h"

#include <optional>

#include "../../core/EngineError.h"
#include "CdxLayout.h"
#include "CdxWriter.h"
#include "DbaseExpression.h"
#include "IndexKeyCodec.h"

namespace tabulon::dbase {

namespace {
constexpr std::size_t kHeader = 1024;

struct TagKeyMaker {
    DbaseExpression key;
    std::optional<DbaseExpression> condition;
    KeyLayout layout;
    std::size_t keyLength;
};

std::string readBytes(const PagedFile& file, std::uint64_t offset, std::size_t length) {
    std::string bytes(length, '\0');
    file.read(offset, bytes.data(), length);
    return bytes;
}

std::string keyOf(const TagKeyMaker& tag, const ExpressionContext& record, const TextCodec& codec) {
    const Value v = tag.key.evaluate(record);
    std::string out;
    if (tag.layout.prefixBytes) {
        // Visual FoxPro marks the key of a nullable field: 0x80 holds a value, 0x00 is null.
        const int field = tag.key.singleField();
        const bool null = field >= 0 && (*record.values)[static_cast<std::size_t>(field)].isNull();
        out.assign(tag.layout.prefixBytes, null ? '\0' : '\x80');
    }
    const std::size_t bare = tag.keyLength - tag.layout.prefixBytes;
    switch (tag.layout.encoding) {
        case KeyEncoding::SortableInt32:
            out += encodeSortableInt32(v.isNull() ? 0 : static_cast<std::int32_t>(v.asDouble()));
            break;
        case KeyEncoding::SortableDouble:
            if (tag.layout.type == KeyType::Date)
                out += encodeSortableDouble(v.isNull() ? 0 : v.asDate().days + kJulianDayOfEpoch);
            else
                out += encodeSortableDouble(v.isNull() ? 0 : v.asDouble());
            break;
        default:
            out += characterKey(codec, v.asString(), bare);
    }
    return out;
}
}  // namespace

bool cdxKeysCanBeMade(const KeyLayout& layout) {
    return layout.type != KeyType::DateTime &&
           (layout.encoding == KeyEncoding::Raw || layout.encoding == KeyEncoding::SortableDouble ||
            layout.encoding == KeyEncoding::SortableInt32);
}

std::string rebuildCdx(const CdxFile& cdx, const IndexCatalog& catalog, const std::vector<FieldDef>& fields,
                       const TextCodec& codec, std::uint64_t slots, const RecordSource& source) {
    std::vector<CdxTagImage> images;
    std::vector<TagKeyMaker> makers;
    for (std::size_t t = 0; t < cdx.tags().size(); ++t) {
        const IndexTag& tag = cdx.tags()[t];
        const KeyLayout layout = catalog.layoutOf(cdx, t);
        if (!cdxKeysCanBeMade(layout))
            throw EngineError(errkind::kNotSupported, "Index " + tag.def.name + " of " +
                                                          cdx.path().filename().string() +
                                                          ": its date-time keys cannot be written by this build");
        CdxTagImage image;
        image.name = tag.def.name;
        image.header = readBytes(cdx.file(), tag.header, kHeader);
        image.keyLength = tag.keyLength;
        image.pad = layout.encoding == KeyEncoding::Raw ? ' ' : '\0';
        image.descending = tag.descending;
        image.unique = tag.def.options & ixUnique;
        image.candidate = static_cast<std::uint8_t>(image.header[cdx::kTagOptions]) & cdx::kCandidateOption;
        images.push_back(std::move(image));
        TagKeyMaker maker{DbaseExpression(tag.def.expression, fields), std::nullopt, layout, tag.keyLength};
        if (!tag.def.condition.empty()) maker.condition.emplace(tag.def.condition, fields);
        makers.push_back(std::move(maker));
    }
    std::vector<std::vector<CdxKey>> keys(makers.size());
    Record values;
    for (std::uint64_t slot = 0; slot < slots; ++slot) {
        bool deleted = false;
        source(slot, values, deleted);
        const ExpressionContext record{&values, slot + 1, deleted};
        for (std::size_t t = 0; t < makers.size(); ++t) {
            if (selects(makers[t].condition, record)) keys[t].push_back({keyOf(makers[t], record, codec), slot + 1});
        }
    }
    try {
        return buildCdx(readBytes(cdx.file(), 0, kHeader), images, std::move(keys));
    } catch (const EngineError& e) {
        throw EngineError(e.kind(), cdx.path().filename().string() + ": " + e.message());
    }
}

}  // namespace tabulon::dbase
