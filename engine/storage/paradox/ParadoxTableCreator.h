#pragma once
// Creates the files of a new Paradox table: .DB, .PX (keyed), .MB (blob fields), .Xnn/.Ynn
// or .XGn/.YGn per secondary index, .VAL (required fields).
#include <filesystem>
#include <memory>
#include <vector>

#include "../StorageTable.h"

namespace tabulon::paradox {

// The level is CreateOptions::version ("4", "5" or "7") or else the lowest that holds the
// field types, index options, record length and block size (4; 5 for L I T @ + # Y, for records
// longer than a 4 KiB block and for blocks over 4 KiB; 7 for descending or unique secondary
// indexes); with versionAtLeast an older level ("3.5") counts as 4. The blocks are
// CreateOptions::blockSize, else 2 KiB at level 4 and 4 KiB later, doubled until the record fits.
// The sort order is CreateOptions::sortOrder where the code page has it, else the code page's
// default. The primary index (ixPrimary) must list the leading fields in order. Indexes with an
// expression or a condition have no Paradox form and are left out; secondary indexes of a table
// without a primary key are marked not maintained, as Paradox has them. Throws EFileError when
// the table exists or a file cannot be written, EValueError naming the field, index or block size
// that Paradox cannot hold. Any thread.
std::unique_ptr<StorageTable> createParadoxTable(const StorageDriver& driver, const std::filesystem::path& path,
                                                 const std::vector<FieldDef>& fields,
                                                 const std::vector<IndexDef>& indexes, const CreateOptions& options);

}  // namespace tabulon::paradox
