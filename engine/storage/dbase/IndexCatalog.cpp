#include "IndexCatalog.h"

#include <algorithm>

#include "../../core/AsciiCase.h"
#include "../../core/EngineError.h"
#include "IndexCursor.h"
#include "TreeCursor.h"

namespace tabulon::dbase {

namespace {
// The width in characters of a string expression's result, from a record of nulls.
std::size_t resultWidth(const DbaseExpression& expression, std::size_t fieldCount) {
    const Record blanks(fieldCount);
    ExpressionContext context;
    context.values = &blanks;
    const Value v = expression.evaluate(context);
    std::size_t n = 0;
    for (unsigned char c : v.asString()) n += (c & 0xC0) != 0x80;
    return n;
}
}  // namespace

IndexCatalog::IndexCatalog(const std::vector<FieldDef>& fields, const TextCodec& codec)
    : fields_(fields), codec_(codec) {}
IndexCatalog::~IndexCatalog() = default;

void IndexCatalog::describe(Tag& tag, const IndexTag& source) const {
    tag.def = source.def;
    if (tag.def.expression.empty()) {
        tag.def.usable = false;
        tag.def.problem = "the tag has no key expression";
        return;
    }
    try {
        const DbaseExpression expression(tag.def.expression, fields_);
        const int single = expression.singleField();
        if (single >= 0)
            tag.def.fields = fields_[static_cast<std::size_t>(single)].name;
        else
            tag.def.options |= ixExpression;
        const bool dateTime = single >= 0 && fields_[static_cast<std::size_t>(single)].type == ftDateTime;
        switch (expression.type()) {
            case ExpressionType::String:
                tag.layout.type = KeyType::Character;
                break;
            case ExpressionType::Number:
                tag.layout.type = KeyType::Numeric;
                break;
            case ExpressionType::Date:
                tag.layout.type = dateTime ? KeyType::DateTime : KeyType::Date;
                break;
            case ExpressionType::Boolean:
                throw EngineError(errkind::kValue, "a logical key is not supported");
        }
        const IndexFormat format = tag.file->format();
        if (tag.layout.type == KeyType::Character) {
            tag.layout.encoding = KeyEncoding::Raw;
            // Visual FoxPro puts a null marker before keys of nullable fields.
            if (format == IndexFormat::Cdx && source.keyLength == resultWidth(expression, fields_.size()) + 1)
                tag.layout.prefixBytes = 1;
        } else if (format == IndexFormat::Mdx) {
            tag.layout.encoding = source.typeLetter == 'N' ? KeyEncoding::Bcd : KeyEncoding::MdxDouble;
        } else if (format == IndexFormat::Ndx) {
            tag.layout.encoding = KeyEncoding::LittleDouble;
        } else {
            const bool integer = single >= 0 && (fields_[static_cast<std::size_t>(single)].type == ftInteger ||
                                                 fields_[static_cast<std::size_t>(single)].type == ftAutoInc);
            const std::size_t bare = integer ? 4 : 8;
            tag.layout.encoding = integer ? KeyEncoding::SortableInt32 : KeyEncoding::SortableDouble;
            if (source.keyLength == bare + 1)
                tag.layout.prefixBytes = 1;
            else if (source.keyLength != bare)
                throw EngineError(errkind::kValue, "its key length does not fit its type");
        }
        if (format == IndexFormat::Mdx && source.typeLetter != (tag.layout.type == KeyType::Character ? 'C'
                                                                : tag.layout.type == KeyType::Numeric ? 'N'
                                                                                                      : 'D'))
            throw EngineError(errkind::kValue, "the file's key type does not match the expression");
    } catch (const EngineError& e) {
        tag.def.usable = false;
        tag.def.problem = "the key expression " + tag.def.expression + " cannot be used: " + e.message();
    }
    // Reading the tag needs only its keys; keeping it up to date needs its FOR clause too.
    if (tag.def.condition.empty()) return;
    try {
        if (DbaseExpression(tag.def.condition, fields_).type() != ExpressionType::Boolean)
            throw EngineError(errkind::kValue, "it is not a condition");
    } catch (const EngineError& e) {
        tag.upkeepProblem =
            "the FOR clause " + tag.def.condition + " of tag " + tag.def.name + " cannot be used: " + e.message();
    }
}

std::vector<std::string> IndexCatalog::upkeepProblems() const {
    std::vector<std::string> out;
    for (const Tag& t : tags_)
        if (!t.upkeepProblem.empty()) out.push_back(t.upkeepProblem);
    return out;
}

std::vector<IndexFile*> IndexCatalog::files() const {
    std::vector<IndexFile*> out;
    for (const auto& f : files_) out.push_back(f.get());
    return out;
}

IndexFile& IndexCatalog::attach(std::unique_ptr<IndexFile> file) {
    for (std::size_t i = 0; i < file->tags().size(); ++i) {
        Tag tag{file.get(), i, {}, {}, {}};
        describe(tag, file->tags()[i]);
        tags_.push_back(std::move(tag));
    }
    files_.push_back(std::move(file));
    return *files_.back();
}

std::vector<IndexDef> IndexCatalog::definitions() const {
    std::vector<IndexDef> out;
    for (const Tag& t : tags_) out.push_back(t.def);
    return out;
}

KeyLayout IndexCatalog::layoutOf(const IndexFile& file, std::size_t tag) const {
    for (const Tag& t : tags_)
        if (t.file == &file && t.index == tag) return t.layout;
    throw EngineError(errkind::kValue, file.path().filename().string() + " has no tag " + std::to_string(tag + 1));
}

std::unique_ptr<KeyCursor> IndexCatalog::open(const std::string& name, std::function<bool(RecordId)> live) const {
    const std::string wanted = asciiUpper(name);
    for (const Tag& t : tags_) {
        if (asciiUpper(t.def.name) != wanted) continue;
        if (!t.def.usable)
            throw EngineError(errkind::kValue, "The index " + t.def.name + " is not usable: " + t.def.problem);
        const IndexTag& source = t.file->tags()[t.index];
        if (t.file->treeShape(t.index))
            return std::make_unique<TreeCursor>(t.def, *t.file, t.index, t.layout, source.descending, codec_,
                                                std::move(live));
        return std::make_unique<IndexCursor>(t.def, t.layout.type, source.descending,
                                             t.file->load(t.index, t.layout.encoding, t.layout.prefixBytes), codec_,
                                             std::move(live));
    }
    throw EngineError(errkind::kValue, "There is no index " + name);
}

}  // namespace tabulon::dbase
