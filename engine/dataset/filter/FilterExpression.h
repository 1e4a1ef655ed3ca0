#pragma once
// A filter text compiled against a table's fields, ready to test records.
#include <memory>
#include <string_view>
#include <vector>

#include "../../core/FieldDef.h"
#include "../../core/Value.h"
#include "../RegionalSettings.h"
#include "FilterOptions.h"

namespace tabulon {

class FilterNode;

// The language: field names (bare, [bracketed] or "double-quoted"); 'strings' ('' for a quote);
// numbers; = <> > >= < <=; AND, OR, NOT with the usual precedence and parentheses; IS [NOT]
// NULL and = NULL / <> NULL; + - * /; UPPER, LOWER, SUBSTRING(s, start[, length]), TRIM, YEAR,
// MONTH, DAY. A string compared with a date, time or number field is read as one (dates in the
// regional short date format). A string literal ending in * matches every value that begins
// with what comes before it, unless the options say no partial compare. Immutable once built:
// any thread may test records with it at once.
class FilterExpression {
public:
    // An empty or blank text matches every record. Throws EngineError(EValueError) whose message
    // says what was expected and at which character (counting from 1), or which field is unknown.
    static FilterExpression parse(std::string_view text, const std::vector<FieldDef>& fields,
                                  const FilterOptions& options, const RegionalSettings& settings);
    // Whether `record` (one value per field) passes. Never throws: a comparison that cannot be
    // made (a division by zero, a null) is not a match.
    bool matches(const Record& record) const;
    // The filter as parts a record must all pass (the operands of its top-level ANDs, equality
    // tests first), so a scan can stop at the first part that fails having decoded only the
    // fields of the parts it tested. An empty text has none.
    std::size_t partCount() const { return parts_.size(); }
    // The positions of the fields part `part` reads, ascending.
    const std::vector<std::size_t>& partFields(std::size_t part) const { return parts_.at(part).fields; }
    // Whether `record` passes part `part`; reads only partFields(part).
    bool partMatches(std::size_t part, const Record& record) const;

private:
    struct Part {
        std::vector<std::size_t> fields;
        std::shared_ptr<const FilterNode> node;
    };
    std::vector<Part> parts_;
};

}  // namespace tabulon
