#pragma once
// The members of the dBase family, told apart by the version byte.
#include <cstdint>
#include <string>

namespace tabulon::dbase {

enum class Dialect { DBase3, DBase4, DBase7, FoxBase, FoxPro, VisualFoxPro };

enum class MemoKind { None, Dbt, Fpt };

// What the version byte (offset 0 of a .DBF) says of the table's layout.
struct VersionInfo {
    Dialect dialect = Dialect::DBase3;
    bool known = true;  // false: a value no writer is known to use; read as dBase III
};

VersionInfo classifyVersion(std::uint8_t versionByte);
// The memo file the dialect uses (.DBT or .FPT).
MemoKind memoKindFor(Dialect dialect);
// "dBase IV", "Visual FoxPro", ... for TableFacts::version.
std::string dialectName(Dialect dialect);

}  // namespace tabulon::dbase
