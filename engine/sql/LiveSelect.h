#pragma once
// Which statements give a result whose edits can go to the table it reads.
#include <optional>
#include <string>

namespace tabulon {

struct LiveSelect {
    std::string table;         // the table's name as the statement writes it, unquoted
    std::string sqlWithRowId;  // the statement with the record's id as an extra first column
    bool wholeTable = false;   // no WHERE, LIMIT or OFFSET: every record of the table is a row
};

// A SELECT from one table without DISTINCT, aggregate functions, GROUP BY, HAVING, joins,
// unions or common table expressions; nullopt for any other statement. Whether every column
// is a plain column of the table is for the caller to check on the compiled statement. Pure
// function.
std::optional<LiveSelect> liveSelectOf(const std::string& sql);

}  // namespace tabulon
