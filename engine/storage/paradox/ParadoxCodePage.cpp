#include "ParadoxCodePage.h"

#include <algorithm>

#include "../../core/AsciiCase.h"
#include "../../core/TextCodec.h"

namespace tabulon::paradox {

namespace {
constexpr int kSortCyrillic = 0xC0, kSortNordic = 0xE6;
}

std::string paradoxCodePageName(const ParadoxHeader& header, const std::string& override) {
    if (!override.empty()) return override;
    if (std::string named = paradoxNamedCodePage(header); !named.empty()) return named;
    if (header.sortOrderId == kSortCyrillic) return "CP866";
    if (header.sortOrderId == kSortNordic) return "CP865";
    return "CP437";
}

std::string paradoxNamedCodePage(const ParadoxHeader& header) {
    if (header.hasLevel4Block() && header.codePage != 0) return TextCodec::nameForCodePage(header.codePage);
    if (header.sortOrderName == "BLROM800") return "HP-ROMAN8";
    return {};
}

ParadoxSortOrder paradoxSortOrderFor(int codePage, const std::string& named) {
    struct Known {
        ParadoxSortOrder order;
        int codePage;  // 0: any
    };
    static const Known kKnown[] = {
        {{"ascii", 0x00}, 0},           {{"intl", 0xB7}, 437},
        {{"DBWINUS0", 0x4C}, 1252},     {{"DBWINWE0", 0x40}, 1252},
        {{"ANSIINTL", 0x62}, 1252},     {{"ANSII850", 0x11}, 1252},
        {{"cyrr", kSortCyrillic}, 866}, {{"nordan40", kSortNordic}, 865},
        {{"china", 0x03}, 936},
    };
    for (const Known& k : kKnown)
        if ((k.codePage == 0 || k.codePage == codePage) && equalsIgnoringAsciiCase(named, k.order.name)) return k.order;
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
