#pragma once
// The navigator's drive box: one entry per mounted file system, its mount point standing where
// a drive root would, captioned by volume name or kind. [ui-thread]

#include <QString>
#include <QStringList>
#include <vector>

namespace klv::app {

struct DriveEntry {
    QString root;    // the mount point, "/" for the root file system
    QString caption; // "Music (/media/dj/Music)", "Fixed Disk (/)"
};

// The mounted file systems that can be browsed, the root file system first.
std::vector<DriveEntry> readDriveTable();

// The drive that holds path: the longest mount point that contains it (mounts nest, so the
// first match would always be "/"); 0 when none does.
int driveOfPath(const QStringList& roots, const QString& path);

// Whether path is folder or lies inside it, comparing whole path components ("/a/b" is
// inside "/a" but "/ab" is not); every path is inside "/".
bool isInsideFolder(const QString& path, const QString& folder);

} // namespace klv::app
