#include "TextRowIndex.h"

namespace tabulon {

namespace {
constexpr std::size_t kBlockSize = 1 << 20;

// Byte-by-byte record boundary tracker; its state carries across blocks.
class RowScanner {
public:
    explicit RowScanner(const TextDialect& dialect) : dialect_(dialect) {}

    void feed(std::uint64_t offset, char c, std::vector<std::uint64_t>& rows) {
        if (inQuote_) {
            if (c == dialect_.quote) {
                inQuote_ = false;
                justClosed_ = true;
            }
            return;
        }
        const bool reopens = justClosed_ && c == dialect_.quote;  // a doubled quote inside a value
        justClosed_ = false;
        if (c == '\n' || c == '\r') {
            atRowStart_ = true;
            cellStarted_ = false;
            return;
        }
        if (atRowStart_) {
            rows.push_back(offset);
            atRowStart_ = false;
        }
        if (dialect_.fixed) return;
        if (c == dialect_.separator) {
            cellStarted_ = false;
        } else if (dialect_.quote != 0 && c == dialect_.quote && (!cellStarted_ || reopens)) {
            inQuote_ = true;
            cellStarted_ = true;
        } else {
            cellStarted_ = true;
        }
    }

private:
    const TextDialect& dialect_;
    bool inQuote_ = false;
    bool justClosed_ = false;
    bool cellStarted_ = false;
    bool atRowStart_ = true;
};
}  // namespace

std::vector<std::uint64_t> indexTextRows(const File& file, const TextDialect& dialect) {
    std::vector<std::uint64_t> rows;
    RowScanner scanner(dialect);
    std::vector<char> block(kBlockSize);
    const std::uint64_t size = file.size();
    for (std::uint64_t offset = 0; offset < size;) {
        const std::size_t got = file.readAt(offset, block.data(), block.size());
        if (got == 0) break;
        for (std::size_t i = 0; i < got; ++i) scanner.feed(offset + i, block[i], rows);
        offset += got;
    }
    return rows;
}

}  // namespace tabulon
