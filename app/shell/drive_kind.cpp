#include "app/shell/drive_kind.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

namespace klv::app {

namespace {

bool isNetworkType(const QString& type) {
    static const QStringList kNetwork = {
        QStringLiteral("nfs"),
        QStringLiteral("nfs4"),
        QStringLiteral("cifs"),
        QStringLiteral("smb3"),
        QStringLiteral("smbfs"),
        QStringLiteral("ncpfs"),
        QStringLiteral("afs"),
        QStringLiteral("9p"),
        QStringLiteral("ceph"),
        QStringLiteral("glusterfs"),
        QStringLiteral("davfs"),
        QStringLiteral("fuse.sshfs"),
        QStringLiteral("fuse.rclone"),
        QStringLiteral("fuse.davfs2"),
        QStringLiteral("fuse.glusterfs"),
    };
    return kNetwork.contains(type.toLower());
}

bool isOpticalType(const QString& type) {
    const QString lower = type.toLower();
    return lower == QLatin1String("iso9660") || lower == QLatin1String("udf");
}

bool underRemovableMountRoot(const QString& mountPoint) {
    for (const char* root : {"/media/", "/run/media/"}) {
        const QString prefix = QString::fromLatin1(root);
        if (mountPoint.startsWith(prefix) || mountPoint + u'/' == prefix)
            return true;
    }
    return false;
}

} // namespace

DriveKind classifyMount(const QString& fileSystemType, const QString& mountPoint,
                        bool removableDevice) {
    if (isNetworkType(fileSystemType))
        return DriveKind::Network;
    if (isOpticalType(fileSystemType))
        return DriveKind::CdRom;
    if (removableDevice || underRemovableMountRoot(mountPoint))
        return DriveKind::Removable;
    return DriveKind::Fixed;
}

bool isRemovableDevice(const QString& devicePath) {
    if (!devicePath.startsWith(QLatin1String("/dev/")))
        return false;
    const QString name = QFileInfo(QFileInfo(devicePath).canonicalFilePath()).fileName();
    if (name.isEmpty())
        return false;
    QString block = QFileInfo(QStringLiteral("/sys/class/block/") + name).canonicalFilePath();
    if (block.isEmpty())
        return false;
    // A partition's flag lives with its disk, one folder up.
    if (QFileInfo::exists(block + QStringLiteral("/partition")))
        block = QFileInfo(block).absolutePath();
    QFile flag(block + QStringLiteral("/removable"));
    if (!flag.open(QIODevice::ReadOnly))
        return false;
    return flag.read(1) == "1";
}

DriveKind driveKindOf(const QString& path) {
    const QStorageInfo storage(path);
    if (!storage.isValid())
        return DriveKind::Removable;
    return classifyMount(QString::fromUtf8(storage.fileSystemType()), storage.rootPath(),
                         isRemovableDevice(QString::fromUtf8(storage.device())));
}

QString driveCaption(const QString& volumeName, DriveKind kind, const QString& mountPoint) {
    QString head = volumeName;
    if (head.isEmpty()) {
        switch (kind) {
        case DriveKind::Network:
            head = QStringLiteral("Network Drive");
            break;
        case DriveKind::CdRom:
            head = QStringLiteral("CD-ROM");
            break;
        case DriveKind::Removable:
            head = QStringLiteral("Removable Disk");
            break;
        case DriveKind::Fixed:
            head = QStringLiteral("Fixed Disk");
            break;
        }
    }
    return head + QStringLiteral(" (") + mountPoint + u')';
}

} // namespace klv::app
