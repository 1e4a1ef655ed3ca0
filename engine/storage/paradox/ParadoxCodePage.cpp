#include "ParadoxCodePage.h"

#include "../../core/TextCodec.h"

namespace tabulon::paradox {

namespace {
constexpr int kSortCyrillic = 0xC0, kSortNordic = 0xE6;
}

std::string paradoxCodePageName(const ParadoxHeader& header, const std::string& override) {
    if (!override.empty()) return override;
    if (header.hasLevel4Block() && header.codePage != 0) return TextCodec::nameForCodePage(header.codePage);
    if (header.sortOrderName == "BLROM800") return "HP-ROMAN8";
    if (header.sortOrderId == kSortCyrillic) return "CP866";
    if (header.sortOrderId == kSortNordic) return "CP865";
    return "CP437";
}

ParadoxSortOrder paradoxSortOrderFor(int codePage) {
    switch (codePage) {
        case 1252:
            return {"DBWINUS0", 0x4C};
        case 866:
            return {"cyrr", kSortCyrillic};
        case 865:
            return {"nordan40", kSortNordic};
        case 936:
            return {"china", 0x03};
        default:
            return {"ascii", 0x00};
    }
}

}  // namespace tabulon::paradox
