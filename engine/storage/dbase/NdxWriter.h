#pragma once
// Builds a whole dBase III .NDX file from its key expression and keys.
#include <string>
#include <vector>

#include "MdxWriter.h"

namespace tabulon::dbase {

// `tag` gives the expression, the key type ('C'; 'N' or 'D', both stored as doubles, dates as
// Julian day numbers), the key length (C) and uniqueness; `keys` are as for buildMdx(). The
// keys are sorted (equal keys by record; a unique index keeps the first record of each key) into
// a B-tree of 512-byte pages. Throws EValueError when the key or expression does not fit.
std::string buildNdx(const MdxTagSpec& tag, std::vector<MdxKey> keys);

// The key as an .NDX entry stores it: character bytes, or a little-endian double.
std::string ndxKeyBytes(const MdxTagSpec& tag, const MdxKey& key);

}  // namespace tabulon::dbase
