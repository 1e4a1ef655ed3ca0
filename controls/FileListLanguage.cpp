#include "FileListLanguage.h"

#include <array>

namespace filelanguage {

namespace {

// The sets' primary language identifiers, in the order of the text columns below.
constexpr std::array<int, 5> kLanguageIds = {9, 16, 7, 12, 10};  // English, Italian, German, French, Spanish

struct TTextRow {
    int offset;
    std::array<const char*, 5> texts;
};

// clang-format off
const TTextRow kTexts[] = {
    {txName, {"Name", "Nome", "Name", "Nom", "Nombre"}},
    {txSize, {"Size", "Dimensione", "Größe", "Taille", "Tamaño"}},
    {txType, {"Type", "Tipo", "Typ", "Type", "Extensión"}},
    {txLastModify, {"Last Modify", "Modificato", "Geändert am", "Dernière Modification", "Fecha/Hora"}},
    {txAttr, {"Attr", "Attr", "Dateiattribute", "Attr", "Atrib"}},
    {txUnknown, {"Unknown", "Tipo Sconosciuto", "Unbekannt", "Inconnu", "Desconocido"}},
    {txNotExist, {"Not exist", "L'unita non esiste", "Nicht existent", "n'existe pas", "No existe"}},
    {txRemovable, {"Removable Unit", "Unità Rimovibile", "Wechselbares Speichermedium", "Unité amovible", "Unidad Removible"}},
    {txFixed, {"Fixed Unit", "Disco Fisso", "Festplatte", "Unité Fixe", "Unidad Fija"}},
    {txNetwork, {"Network Unit", "Unità di Rete", "Netzlaufwerk", "Unité de Réseau", "Unidad de Red"}},
    {txCdRom, {"CD-ROM Unit", "Unità CD-ROM", "CD-ROM-Laufwerk", "Unité de CD-ROM", "Unidad CD-ROM"}},
    {txRamDisk, {"RAM Disk Unit", "RAM Disk", "RAM-Laufwerk", "Unité de RAM Disque", "Unidad RAM Disco"}},
    {txAllTheNetwork, {"All the network", "Tutta la Rete", "Gesamtes Netzwerk", "Tout le Réseau", "Toda la Red"}},
    {txDeleted, {"Deleted", "Cancellato", "Gelöscht", "Effacé", "Borrado"}},
    {txNewFolder, {"New folder", "Nuova Cartella", "Neues Verzeichnis", "Nouveau répertoire", "Nuevo Directorio"}},
    {txViewStyle, {"&View Style", "&Visualizza", "&Ansicht", "&Voir le style", "&Ver"}},
    {txLargeIcons, {"&Large icons", "Icone &grandi", "&Große Symbole", "&Grandes Icônes", "Iconos &Grandes"}},
    {txSmallIcons, {"&Small Icons", "Icone &piccole", "&Kleine Symbole", "&Petites Icônes", "Iconos &Pequeños"}},
    {txList, {"&List", "Ele&nco", "&Liste", "&Liste", "&Lista"}},
    {txReport, {"&Report", "D&ettagli", "&Details", "&Rapport", "&Detalles"}},
    {txSortIcons, {"&Sort Icons", "&Disponi icone", "&Symbole anordnen", "&Trier les Icônes", "&Alinear Iconos"}},
    {txByName, {"by &Name", "Per &nome", "Nach &Name", "&Par Nom", "&Dar Nombre"}},
    {txBySize, {"by &Size", "Per &dimensione", "Nach &Größe", "&Par taille", "&Tamaño"}},
    {txByType, {"by &Type", "Per &tipo", "Nach &Typ", "&Par Type", "&Bondadoso"}},
    {txByDate, {"by &Last Modify", "Per d&ata", "Nach Än&derungsdatum", "&Par date de dernière modification", "&Fecha/Hora"}},
    {txByAttributes, {"by &Attributes", "Per a&ttributi", "Nach Datei&attributen", "&Par attributs", "&Atributos"}},
    {txSendTo, {"Send &To", "In&via a", "Senden &an", "&Envoyer à", "Envar &A"}},
    {txDelete, {"&Delete", "&Elimina", "&Löschen", "&Supprimer", "&Borrar"}},
    {txRename, {"&Rename", "Ri&nomina", "&Umbenennen", "&Renommer", "&ReNombrar"}},
    {txNewFolderItem, {"&New Folder", "Nuova &cartella", "&Neues Verzeichnis", "&Nouveau répertoire", "&Nueva  Carpeta"}},
    {txOpen, {"&Open", "&Apri", "Ö&ffnen", "&Ouvrir", "&Abrir"}},
};
// clang-format on

// The column of the set at `base`, or -1 when there is none.
int setColumn(int base) {
    for (size_t column = 0; column < kLanguageIds.size(); ++column) {
        if (kLanguageIds[column] * 100 == base) {
            return static_cast<int>(column);
        }
    }
    return -1;
}

int primaryId(QLocale::Language language) {
    switch (language) {
        case QLocale::English:
            return 9;
        case QLocale::Italian:
            return 16;
        case QLocale::French:
            return 12;
        case QLocale::German:
            return 7;
        case QLocale::Spanish:
            return 10;
        default:
            return 0;  // a language without a set of its own
    }
}

}  // namespace

int StringBase(TLanguage language, const QLocale& system, const QLocale& user) {
    int id = 0;
    switch (language) {
        case lnSystemDefault:
            id = primaryId(system.language());
            break;
        case lnUserDefault:
            id = primaryId(user.language());
            break;
        case lnEnglish:
            id = 9;
            break;
        case lnItalian:
            id = 16;
            break;
        case lnFrench:
            id = 12;
            break;
        case lnGerman:
            id = 7;
            break;
        case lnSpanish:
            id = 10;
            break;
    }
    const int base = id * 100;
    return setColumn(base) < 0 ? kEnglishBase : base;
}

QString Text(int base, int offset) {
    const int column = setColumn(base);
    if (column < 0) {
        return {};
    }
    for (const TTextRow& row : kTexts) {
        if (row.offset == offset) {
            return QString::fromUtf8(row.texts[static_cast<size_t>(column)]);
        }
    }
    return {};
}

}  // namespace filelanguage
