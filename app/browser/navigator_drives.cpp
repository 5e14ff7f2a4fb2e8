#include "app/browser/navigator_drives.h"

#include "app/shell/drive_kind.h"

#include <QFileInfo>
#include <QStorageInfo>

#include <algorithm>

namespace klv::app {

bool isInsideFolder(const QString& path, const QString& folder) {
    if (folder.isEmpty() || folder == QStringLiteral("/"))
        return path.startsWith(u'/');
    if (!path.startsWith(folder))
        return false;
    return path.size() == folder.size() || path.at(folder.size()) == u'/';
}

std::vector<DriveEntry> readDriveTable() {
    std::vector<DriveEntry> drives;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady())
            continue;
        const QString root = volume.rootPath();
        // Containers bind single files (resolv.conf, hosts) as mounts: nothing to browse.
        if (!QFileInfo(root).isDir())
            continue;
        const DriveKind kind = classifyMount(QString::fromUtf8(volume.fileSystemType()), root,
                                             isRemovableDevice(QString::fromUtf8(volume.device())));
        drives.push_back({root, driveCaption(volume.name(), kind, root)});
    }
    std::stable_sort(drives.begin(), drives.end(), [](const DriveEntry& a, const DriveEntry& b) {
        return a.root.size() == 1 && b.root.size() != 1;
    });
    if (drives.empty() || drives.front().root != QStringLiteral("/"))
        drives.insert(drives.begin(), {QStringLiteral("/"),
                                       driveCaption({}, DriveKind::Fixed, QStringLiteral("/"))});
    return drives;
}

int driveOfPath(const QStringList& roots, const QString& path) {
    int best = 0;
    qsizetype bestLength = -1;
    for (int i = 0; i < roots.size(); ++i) {
        if (isInsideFolder(path, roots.at(i)) && roots.at(i).size() > bestLength) {
            best = i;
            bestLength = roots.at(i).size();
        }
    }
    return best;
}

} // namespace klv::app
