#include "Volumes.h"

#include <QStorageInfo>
#include <algorithm>

namespace {

bool isNetworkType(const QString& type) {
    static const QStringList kTypes = {"nfs",   "nfs4",  "cifs",       "smb3", "smbfs", "fuse.sshfs",
                                       "sshfs", "davfs", "fuse.davfs", "9p",   "afs",   "ncpfs"};
    return kTypes.contains(type);
}

bool isRamType(const QString& type) { return type == "tmpfs" || type == "ramfs"; }

}  // namespace

QList<TVolume> TVolumes::mounted() {
    QList<TVolume> volumes;
    for (const QStorageInfo& storage : QStorageInfo::mountedVolumes()) {
        if (!storage.isValid()) {
            continue;
        }
        const QString type = QString::fromUtf8(storage.fileSystemType());
        const QString root = storage.rootPath();
        const bool network = isNetworkType(type);
        const bool device = storage.device().startsWith("/dev/");
        if (root != QStringLiteral("/") && !network && !device) {
            continue;  // proc, sysfs, cgroup, overlay layers and their likes
        }
        TVolume volume;
        volume.rootPath = root;
        volume.displayName = storage.name().isEmpty() ? root : storage.name();
        volume.fileSystem = type;
        volume.ready = storage.isReady();
        volume.bytesTotal = volume.ready ? storage.bytesTotal() : 0;
        volume.network = network;
        volume.removable = root.startsWith("/media/") || root.startsWith("/run/media/");
        volume.optical = type == "iso9660" || type == "udf";
        volume.ram = isRamType(type);
        volumes.append(volume);
    }
    std::sort(volumes.begin(), volumes.end(),
              [](const TVolume& a, const TVolume& b) { return a.rootPath < b.rootPath; });
    auto last = std::unique(volumes.begin(), volumes.end(),
                            [](const TVolume& a, const TVolume& b) { return a.rootPath == b.rootPath; });
    volumes.erase(last, volumes.end());
    return volumes;
}

QList<TVolume> TVolumes::networkMounts() {
    QList<TVolume> network;
    for (const TVolume& volume : mounted()) {
        if (volume.network) {
            network.append(volume);
        }
    }
    return network;
}

QString TVolumes::rootOf(const QString& path, const QList<TVolume>& volumes) {
    QString best = QStringLiteral("/");
    for (const TVolume& volume : volumes) {
        const QString& root = volume.rootPath;
        const bool under = path == root || path.startsWith(root.endsWith(u'/') ? root : root + u'/');
        if (under && root.size() > best.size()) {
            best = root;
        }
    }
    return best;
}
