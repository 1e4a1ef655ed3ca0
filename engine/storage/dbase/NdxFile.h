#pragma once
// A dBase III .NDX file: one B-tree of 512-byte pages, one key expression.
#include "../../io/PagedFile.h"
#include "IndexFile.h"

namespace tabulon::dbase {

// See IndexFile. The constructor throws EngineError(EFormatError) naming the file when its
// header does not describe a usable tree.
class NdxFile : public IndexFile {
public:
    explicit NdxFile(PagedFile file);
    // Reads the header again (after the file was rewritten or rolled back).
    void reload();
    PagedFile& file() { return file_; }
    IndexFormat format() const override { return IndexFormat::Ndx; }
    const std::filesystem::path& path() const override { return file_.path(); }
    const std::vector<IndexTag>& tags() const override { return tags_; }
    std::vector<IndexEntry> load(std::size_t tag, KeyEncoding encoding, std::size_t prefixBytes) const override;
    std::optional<TreeShape> treeShape(std::size_t tag) const override;

private:
    static constexpr std::uint64_t kPageSize = 512;
    void parse();
    PagedFile file_;
    std::vector<IndexTag> tags_;
    std::uint32_t root_ = 0;
    std::size_t entrySize_ = 0;
};

}  // namespace tabulon::dbase
