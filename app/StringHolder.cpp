#include "StringHolder.h"

TStringHolder MainWindowMessages() {
    return TStringHolder({
        QStringLiteral("Field Name"),
        QStringLiteral("Data Type"),
        QStringLiteral("Size"),
        QStringLiteral("Index"),
        QStringLiteral("Value"),
        QStringLiteral("ERROR: Unable to open Table!"),
        QStringLiteral("None"),
        QStringLiteral("Unable to Apply Updates!"),
        QStringLiteral("Table Created!"),
        QStringLiteral("Table Copied!"),
        QStringLiteral("Are You Sure?"),
        QStringLiteral("Table is Empty!"),
        QStringLiteral("Table is Renamed!"),
        QStringLiteral("Table is Reorganized!"),
        QStringLiteral("Record Updated"),
        QStringLiteral("Record Deleted"),
        QStringLiteral("String to large to save in INI file"),
        QStringLiteral("String to large to read from an INI file"),
        QStringLiteral("Query %1 modified, save?"),
        QStringLiteral("Table has been Packed!"),
        QStringLiteral("Table has been Reindexed!"),
        QStringLiteral("Insert the Text separator (^T = Tab)"),
        QStringLiteral("Table non Indexed. Opened without Cached Updates!"),
    });
}
