#pragma once
// The indexes attached to a dBase table: its production .MDX or structural .CDX and any
// .NDX/.CDX/.MDX files opened by name, with the tags the engine can use.
#include <functional>
#include <memory>
#include <vector>

#include "../../core/TextCodec.h"
#include "DbaseExpression.h"
#include "IndexFile.h"

namespace tabulon::dbase {

// How a tag's keys are made and stored.
struct KeyLayout {
    KeyType type = KeyType::Character;
    KeyEncoding encoding = KeyEncoding::Raw;
    std::size_t prefixBytes = 0;  // a null marker before the key
};

// Decides for every tag whether its key expression can be evaluated over the table's fields; a
// tag that cannot is listed unusable with its expression and the reason, and never opened.
// Same thread as its table; fields and codec must outlive it.
class IndexCatalog {
public:
    IndexCatalog(const std::vector<FieldDef>& fields, const TextCodec& codec);
    ~IndexCatalog();

    IndexFile& attach(std::unique_ptr<IndexFile> file);
    std::vector<IndexFile*> files() const;
    std::vector<IndexDef> definitions() const;
    // Why tags that read well cannot be kept up to date by writes (a FOR clause that cannot be
    // evaluated), one line each.
    std::vector<std::string> upkeepProblems() const;
    // Tag `tag` of the attached `file`, which must be usable.
    KeyLayout layoutOf(const IndexFile& file, std::size_t tag) const;
    // Throws EValueError when there is no tag `name` (case ignored) or it is not usable.
    std::unique_ptr<KeyCursor> open(const std::string& name, std::function<bool(RecordId)> live) const;

private:
    struct Tag {
        const IndexFile* file;
        std::size_t index;
        IndexDef def;
        KeyLayout layout;
        std::string upkeepProblem;
    };
    void describe(Tag& tag, const IndexTag& source) const;

    const std::vector<FieldDef>& fields_;
    const TextCodec& codec_;
    std::vector<std::unique_ptr<IndexFile>> files_;
    std::vector<Tag> tags_;
};

}  // namespace tabulon::dbase
