#pragma once
// One entry of the file list: its caption, icon and the six columns after the caption.
#include <QDateTime>
#include <QIcon>
#include <QString>

struct TFileEntry {
    QString caption;
    QIcon icon;
    QString size;        // column 0, e.g. "12,345" or " " for nothing
    QString type;        // column 1
    QString date;        // column 2, local time in the system's formats
    QString attributes;  // column 3: "d", "r", "h", "s" letters and a blank, or "L", "U", "X", "N"
    QString nameOnDisk;  // column 4: the file name, a volume's root or a special key
    QString linkTarget;  // column 5: a link's target
    qint64 sizeBytes = 0;
    QDateTime modified;

    bool isFolder() const { return attributes.startsWith(u'd'); }
    bool isLink() const { return attributes == QStringLiteral("L"); }
    // Folders, volumes, desktop objects and network resources are not files.
    bool isFile() const {
        return !isFolder() && attributes != QStringLiteral("X") && attributes != QStringLiteral("U") &&
               attributes != QStringLiteral("N");
    }
};
