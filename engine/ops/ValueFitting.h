#pragma once
// What becomes of an old value written into a field of a restructured table: kept, emptied
// because it does not convert (or does not fit the field's range or width), or cut to the
// field's size. The preview of a restructure and its copy both ask this one class, so the counts
// shown before a save are what the save then does.
#include <cstdint>
#include <memory>
#include <string>

#include "../core/FieldDef.h"
#include "../core/TextCodec.h"
#include "../core/Value.h"

namespace tabulon {

enum class Fit { Kept, Emptied, Cut };

// One field of the new table. `encoding` is the new table's code page, in which text sizes are
// counted. Not thread-safe (the codec); one per field and thread.
class FieldFitter {
public:
    FieldFitter(FieldDef field, const std::string& encoding);

    // Turns `value` into the field's kind in place: null when it does not convert, the longest
    // whole-character start that fits when it is too long.
    Fit fit(Value& value) const;
    const FieldDef& field() const { return field_; }

private:
    Fit fitText(Value& value) const;
    Fit fitBytes(Value& value) const;
    bool numberFits(const Value& value) const;

    FieldDef field_;
    ValueKind kind_;
    std::unique_ptr<TextCodec> codec_;  // for a sized text field only
};

// Per field of the new structure: the values a copy will empty and those it will cut.
struct FieldLoss {
    std::string field;
    std::uint64_t emptied = 0;
    std::uint64_t cut = 0;
    bool operator==(const FieldLoss&) const = default;
};

}  // namespace tabulon
