#pragma once
// The string sets of the file controls: five built-in languages, each a block of texts numbered
// from a base (the language's primary identifier times 100) plus an offset. Plain functions;
// any thread; no throws.
#include <QLocale>
#include <QString>

enum TLanguage { lnSystemDefault, lnUserDefault, lnEnglish, lnItalian, lnFrench, lnGerman, lnSpanish };

namespace filelanguage {

inline constexpr int kEnglishBase = 900;

// Offsets of the texts within a set.
enum TTextOffset {
    txName = 11,
    txSize,
    txType,
    txLastModify,
    txAttr,
    txUnknown = 21,
    txNotExist,
    txRemovable,
    txFixed,
    txNetwork,
    txCdRom,
    txRamDisk,
    txAllTheNetwork = 31,
    txDeleted,
    txNewFolder,
    txViewStyle = 41,
    txLargeIcons,
    txSmallIcons,
    txList,
    txReport,
    txSortIcons = 61,
    txByName,
    txBySize,
    txByType,
    txByDate,
    txByAttributes,
    txSendTo = 71,
    txDelete,
    txRename,
    txNewFolderItem,
    txOpen
};

// The base of `language`; the locales stand for the system's and the user's default. A
// language without a set of its own reads the English set.
int StringBase(TLanguage language, const QLocale& system = QLocale::system(), const QLocale& user = QLocale());
// The text at base + offset; empty when the set has none there.
QString Text(int base, int offset);

}  // namespace filelanguage
