#pragma once
// A dBase IV/5/7 production .MDX file: up to 47 tags, each a B-tree of blocks.
#include "../../io/PagedFile.h"
#include "IndexFile.h"

namespace tabulon::dbase {

// See IndexFile. The constructor throws EngineError(EFormatError) naming the file when its
// header or tag table is not usable; a single damaged tag is left out with its reason in skipped().
class MdxFile : public IndexFile {
public:
    explicit MdxFile(PagedFile file);
    // Reads the header and tag table again (after the file was rewritten or rolled back).
    void reload();
    PagedFile& file() { return file_; }
    IndexFormat format() const override { return IndexFormat::Mdx; }
    const std::filesystem::path& path() const override { return file_.path(); }
    const std::vector<IndexTag>& tags() const override { return tags_; }
    std::vector<IndexEntry> load(std::size_t tag, KeyEncoding encoding, std::size_t prefixBytes) const override;
    std::optional<TreeShape> treeShape(std::size_t tag) const override;

private:
    static constexpr std::uint64_t kPageSize = 512;
    void parse();
    struct TagLayout {
        std::uint32_t root = 0;
        std::size_t entryLength = 0;
    };
    PagedFile file_;
    std::vector<IndexTag> tags_;
    std::vector<TagLayout> layouts_;
    std::uint32_t blockSize_ = 1024;
};

}  // namespace tabulon::dbase
