#pragma once
// Turns the bytes of a .DBF record into engine values.
#include <cstdint>
#include <string>
#include <vector>

#include "../../core/TextCodec.h"
#include "../../core/Value.h"
#include "DbaseHeader.h"

namespace tabulon::dbase {

class MemoFile;

// Decodes the visible fields of a record. Blank numbers, blank or zero dates, logical '?' or
// blank and malformed values read as null, never as garbage. A memo that cannot be read reads
// as null and is remembered as a problem. `memo` may be null (no memo file): memo values are
// then null. Not thread-safe; the header, codec and memo file must outlive it.
class RecordDecoder {
public:
    RecordDecoder(const DbaseHeader& header, const TextCodec& codec, const MemoFile* memo);

    // Fields in the order fields() reports them (hidden ones left out).
    const std::vector<const FieldLayout*>& visible() const { return visible_; }
    void decode(const std::uint8_t* record, Record& out);
    void decodeField(const FieldLayout& field, const std::uint8_t* record, Value& out);
    // Memo problems met so far (at most a few dozen are kept).
    const std::vector<std::string>& problems() const { return problems_; }

private:
    bool flagSet(const std::uint8_t* record, int bit) const;
    Value memoValue(const FieldLayout& field, const std::uint8_t* bytes);
    void text(const std::uint8_t* bytes, std::size_t length, Value& out) const;

    const DbaseHeader& header_;
    const TextCodec& codec_;
    const MemoFile* memo_;
    std::vector<const FieldLayout*> visible_;
    std::vector<std::string> problems_;
};

// Field-level decoders shared with the index readers and tests.
// A right-justified ASCII number: spaces or NULs around it, ',' as the decimal point, '*'
// overflow. Empty when blank or malformed.
std::optional<double> parseNumericText(const std::uint8_t* bytes, std::size_t length);
// The memo block a memo field's bytes point to (0: no memo); empty when they are no pointer.
std::optional<std::uint32_t> memoBlockOf(const FieldLayout& field, const std::uint8_t* bytes);
// YYYYMMDD; empty when blank, zero or not a date.
std::optional<Date> parseDateText(const std::uint8_t* bytes);

}  // namespace tabulon::dbase
