#include "DbaseDialect.h"

namespace tabulon::dbase {

VersionInfo classifyVersion(std::uint8_t versionByte) {
    switch (versionByte) {
        case 0x02:
        case 0xFB:
            return {Dialect::FoxBase, true};
        case 0x03:
        case 0x83:
            return {Dialect::DBase3, true};
        case 0x05:
        case 0x43:
        case 0x63:
        case 0x7B:
        case 0x8B:
        case 0x8E:
        case 0xCB:
            return {Dialect::DBase4, true};
        case 0x04:
        case 0x8C:
            return {Dialect::DBase7, true};
        case 0xF5:
            return {Dialect::FoxPro, true};
        case 0x30:
        case 0x31:
        case 0x32:
            return {Dialect::VisualFoxPro, true};
        default:
            // The low three bits are the format level; level 4 lays out like dBase 7.
            if ((versionByte & 0x07) == 4) return {Dialect::DBase7, false};
            return {Dialect::DBase3, false};
    }
}

MemoKind memoKindFor(Dialect dialect) {
    return dialect == Dialect::FoxPro || dialect == Dialect::VisualFoxPro ? MemoKind::Fpt : MemoKind::Dbt;
}

std::string dialectName(Dialect dialect) {
    switch (dialect) {
        case Dialect::DBase3:
            return "dBase III";
        case Dialect::DBase4:
            return "dBase IV";
        case Dialect::DBase7:
            return "dBase 7";
        case Dialect::FoxBase:
            return "FoxBASE";
        case Dialect::FoxPro:
            return "FoxPro 2";
        case Dialect::VisualFoxPro:
            return "Visual FoxPro";
    }
    return "dBase";
}

}  // namespace tabulon::dbase
