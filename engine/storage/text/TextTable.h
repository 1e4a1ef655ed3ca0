#pragma once
// A read-only table over a delimited or fixed-width text file.
#include <memory>

#include "../../core/TextCodec.h"
#include "../StorageTable.h"
#include "DelimitedRow.h"
#include "TextDialect.h"

namespace tabulon {

// Fields come from the schema file beside the table when there is one, else from sniffing the
// first 64 KiB: dialect, then header, then column types. Opening reads the file once to find
// where each record starts (8 bytes of memory a record); records are read from the file on
// demand. A value that does not read as its field's type reads as null and is listed among
// problems(); opened strictly, its read throws EFormatError instead. Every write throws
// ENotSupported; there are no indexes. One thread at a time.
class TextTable : public StorageTable {
public:
    // Throws EFileError when the file cannot be read, EFormatError for a damaged schema file.
    TextTable(const StorageDriver& driver, std::filesystem::path path, const OpenOptions& options);

    const std::filesystem::path& path() const override { return path_; }
    const StorageDriver& driver() const override { return driver_; }
    TableFacts facts() const override;
    const std::vector<FieldDef>& fields() const override { return fields_; }
    std::vector<IndexDef> indexes() const override { return {}; }
    std::vector<TableProblem> problems() const override { return problems_; }
    TableCapabilities capabilities() const override { return {}; }

    std::uint64_t recordCount() const override { return rows_.size(); }
    std::uint64_t slotCount() const override { return rows_.size(); }
    bool readSlot(std::uint64_t slot, Record& out) override;
    RecordId recordIdAt(std::uint64_t slot) override;
    std::uint64_t slotOf(RecordId id) override;
    void readRecord(RecordId id, Record& out) override;
    std::unique_ptr<KeyCursor> openIndex(const std::string& name) override;

    void setTransaction(Transaction*) override {}
    RecordId append(const Record&) override { refuseWrite(); }
    RecordId update(RecordId, const Record&) override { refuseWrite(); }
    void remove(RecordId) override { refuseWrite(); }
    void empty() override { refuseWrite(); }
    void pack() override { refuseWrite(); }
    void refresh() override;

private:
    [[noreturn]] void refuseWrite() const;
    void load();
    void sniffLayout(std::string_view sample, bool sampleIsWhole);
    void checkSlot(std::uint64_t slot) const;
    void note(std::string message);
    std::string_view bytes(std::uint64_t start, std::uint64_t end);

    const StorageDriver& driver_;
    std::filesystem::path path_;
    OpenOptions options_;
    File file_;
    TextDialect dialect_;
    std::vector<FieldDef> fields_;
    std::vector<FixedColumn> columns_;
    std::unique_ptr<TextCodec> codec_;  // null for UTF-8, which needs no conversion
    std::string codePage_;
    CodePageSource codePageSource_ = CodePageSource::Header;  // the schema file is the header
    std::vector<std::uint64_t> rows_;
    std::vector<TableProblem> problems_;
    // A window of the file that record reads are served from, so a walk in record order costs
    // one read per window rather than one per record.
    std::string window_;
    std::uint64_t windowStart_ = 0;
    std::vector<std::string> cells_;
};

}  // namespace tabulon
