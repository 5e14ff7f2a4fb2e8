#include "app/browser/navigator_paths.h"

#include "app/browser/navigator_drives.h"

#include <QDir>

namespace klv::app {

QString heldFolder(const QString& path) {
    if (path.trimmed().isEmpty())
        return QStringLiteral("/");
    // cleanPath folds "..", so a request cannot climb out of NavDir through its own text.
    QString held = QDir::cleanPath(QDir(path).absolutePath());
    while (held.size() > 1 && held.endsWith(u'/'))
        held.chop(1);
    return held;
}

QString keepInside(const QString& request, const QString& navDir) {
    const QString limit = heldFolder(navDir);
    return isInsideFolder(request, limit) ? request : limit;
}

bool upAllowed(const QString& folder, bool restricted, const QString& navDir) {
    if (folder.size() <= 1)
        return false;
    if (!restricted)
        return true;
    const QString limit = heldFolder(navDir);
    return isInsideFolder(folder, limit) && folder.size() > limit.size();
}

QString childBeingLeft(const QString& current, const QString& parent) {
    if (current == parent || !isInsideFolder(current, parent))
        return {};
    const qsizetype start = parent == QStringLiteral("/") ? 1 : parent.size() + 1;
    return current.mid(start).section(u'/', 0, 0);
}

QString joinPath(const QString& folder, const QString& name) {
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

} // namespace klv::app
