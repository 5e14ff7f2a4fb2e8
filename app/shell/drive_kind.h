#pragma once
// What kind of drive a mounted file system is, as the navigator's drive box names it and the
// re-open rule asks: network file systems, CD/DVD file systems, removable media (mounted under
// /media or /run/media, or on a block device the kernel marks removable), and fixed disks,
// which is everything else.

#include <QString>

namespace klv::app {

enum class DriveKind { Fixed, Removable, CdRom, Network };

// The kind of a mount from its file system type ("ext4", "nfs4", "iso9660", "fuse.sshfs"),
// its mount point and whether its block device is removable.
DriveKind classifyMount(const QString& fileSystemType, const QString& mountPoint,
                        bool removableDevice);

// Whether the kernel marks the block device behind a device path ("/dev/sdb1") removable; a
// partition answers for its disk. False for anything that is not a block device.
bool isRemovableDevice(const QString& devicePath);

// The kind of the mount that holds path. A path whose mount cannot be found (a missing file)
// reads as Removable: it is never taken for a file on a fixed disk.
DriveKind driveKindOf(const QString& path);

// The drive box caption of a mount: the volume name and " (" mount point ")", or for a volume
// without name "Network Drive (", "CD-ROM (", "Removable Disk (" or "Fixed Disk (" by kind.
QString driveCaption(const QString& volumeName, DriveKind kind, const QString& mountPoint);

} // namespace klv::app
