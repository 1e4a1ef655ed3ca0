#pragma once
// The mounted volumes the controls offer as "drives": the root and every volume backed by a
// device or a network share, without the kernel's pseudo file systems. Interface thread only.
#include <QList>
#include <QString>

struct TVolume {
    QString rootPath;     // the mount point
    QString displayName;  // the volume's label, or its mount point
    QString fileSystem;   // the file system type, e.g. "ext4", "nfs4"
    qint64 bytesTotal = 0;
    bool ready = true;  // its root can be read
    bool network = false;
    bool removable = false;
    bool optical = false;
    bool ram = false;
};

class TVolumes {
public:
    // Reads the mounted volumes now, the root first.
    static QList<TVolume> mounted();
    // The volumes that live on another machine.
    static QList<TVolume> networkMounts();
    // The mount point under which `path` lives (the longest one that is a prefix of it).
    static QString rootOf(const QString& path, const QList<TVolume>& volumes);
};
