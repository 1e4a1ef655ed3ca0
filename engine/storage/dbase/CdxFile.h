#pragma once
// A FoxPro / Visual FoxPro compound .CDX file: a directory tree of tag names and one compact
// B-tree per tag, in 512-byte nodes addressed by byte offset.
#include "../../io/PagedFile.h"
#include "IndexFile.h"

namespace tabulon::dbase {

// See IndexFile. The constructor throws EngineError(EFormatError) naming the file when the
// directory cannot be read; a damaged tag header is left out with its reason in skipped().
class CdxFile : public IndexFile {
public:
    explicit CdxFile(PagedFile file);
    // Reads the directory and tag headers again (after the file was rewritten or rolled back).
    void reload();
    PagedFile& file() { return file_; }
    const PagedFile& file() const { return file_; }
    IndexFormat format() const override { return IndexFormat::Cdx; }
    const std::filesystem::path& path() const override { return file_.path(); }
    const std::vector<IndexTag>& tags() const override { return tags_; }
    std::vector<IndexEntry> load(std::size_t tag, KeyEncoding encoding, std::size_t prefixBytes) const override;

private:
    void parse();
    // Every entry of the tree whose header is at `header`, key bytes raw, in order.
    std::vector<IndexEntry> walk(std::uint64_t header, std::size_t keyLength, KeyEncoding encoding,
                                 std::size_t prefixBytes) const;

    PagedFile file_;
    std::vector<IndexTag> tags_;
};

}  // namespace tabulon::dbase
