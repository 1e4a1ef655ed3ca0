#pragma once
// Turns engine values into the bytes of a .DBF record.
#include <cstdint>
#include <string>

#include "../../core/TextCodec.h"
#include "../../core/Value.h"
#include "DbaseHeader.h"

namespace tabulon::dbase {

// Writes one field's value into a record buffer. Nothing is ever truncated or replaced: a
// string the code page cannot hold, a string longer than its field and a number too wide for
// its field throw EngineError(EValueError) naming the field (the buffer may then be partly
// written, so callers encode into a copy).
// Numbers are rounded to the field's decimals, as dBase does. Memo fields take the block number
// (0: no memo). Stateless apart from its references; one thread at a time.
class RecordEncoder {
public:
    RecordEncoder(const DbaseHeader& header, const TextCodec& codec, const std::string& fieldNamesFile);

    // `name` is the field's name for messages.
    void encode(const FieldLayout& field, const std::string& name, const Value& value, std::uint8_t* record) const;
    void encodeMemoPointer(const FieldLayout& field, std::uint32_t block, std::uint8_t* record) const;
    // The bytes a memo field's value is stored as (text encoded in the code page).
    std::string memoBytes(const FieldLayout& field, const std::string& name, const Value& value) const;

private:
    [[noreturn]] void refuse(const std::string& name, const std::string& why) const;
    void setFlag(std::uint8_t* record, int bit, bool on) const;
    std::string encodeText(const std::string& name, const std::string& text) const;

    const DbaseHeader& header_;
    const TextCodec& codec_;
    std::string file_;
};

}  // namespace tabulon::dbase
