#pragma once
// One storage driver as the contract suite sees it: how to make a table of the suite's rows in
// its format, and what the format cannot be asked beyond what its tables' capabilities say.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "storage/StorageTable.h"

namespace tabulon::testing {

// An integer ID and a name; names repeat, and sort apart from the ids.
struct ContractRow {
    std::int64_t id;
    std::string name;
};

struct ContractSubject {
    std::string name;
    const StorageDriver* driver;
    std::string fileName;
    std::function<Record(const ContractRow&)> record;  // the row's values in the subject's fields
    // Makes the table at `file` holding `rows` in that order, with the indexes named below.
    std::function<std::filesystem::path(const std::filesystem::path& file, const std::vector<ContractRow>& rows)> make;
    std::string nameIndex;     // on NAME; empty without indexes
    std::string nameIdIndex;   // on NAME then ID; empty when the format has none
    bool uniqueIds = false;    // a second record of an ID is an EKeyViolation
    bool renamedOpens = true;  // a table whose family was renamed opens under its new name
    bool anyBytesAreATable = false;
    std::vector<std::pair<std::size_t, Value>> misfits;  // values that do not fit the field at .first
    // Damages the table's files so that a tolerant open lists problems and a strict one fails;
    // null when the format has no tolerant reading.
    std::function<void(const std::filesystem::path&)> damage;
};

std::vector<ContractSubject> contractSubjects();

}  // namespace tabulon::testing
