#pragma once
// Builds a whole compound .CDX file: the tag directory and each tag's compact B-tree.
#include <cstdint>
#include <string>
#include <vector>

#include "../StorageTable.h"

namespace tabulon::dbase {

// One tag as it is written again. `header` is the tag's 1024-byte header as the file held it
// (options, expressions and whatever else the writer put there are kept); only its root and
// free-list fields are set anew.
struct CdxTagImage {
    std::string name;
    std::string header;
    std::size_t keyLength = 0;
    char pad = ' ';           // what trailing bytes of a key are: blanks (character keys) or NULs
    bool descending = false;  // keys stored from the highest down
    bool unique = false;      // one entry per key: its first record
    bool candidate = false;   // one record per key: a second one is a key violation
};

// A key in the tag's sortable byte form, keyLength bytes long.
struct CdxKey {
    std::string bytes;
    RecordId record = 0;
};

// The file's bytes, from `directoryHeader` (the first 1024 bytes of the file, kept as well) and
// the tags with their keys, which it sorts (equal keys by record; a unique tag keeps the first
// record of each key). Throws EValueError when a key length or name does not fit the format,
// EKeyViolation naming a candidate tag and two records with the same key.
std::string buildCdx(const std::string& directoryHeader, const std::vector<CdxTagImage>& tags,
                     std::vector<std::vector<CdxKey>> keys);

}  // namespace tabulon::dbase
