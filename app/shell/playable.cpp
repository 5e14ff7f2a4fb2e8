#include "app/shell/playable.h"

#include "app/shell/file_kinds.h"
#include "app/shell/text_helpers.h"
#include "klv3.h"

#include <sys/stat.h>

namespace klv::app {

namespace {

bool isSymbolicLink(const QString& path) {
    struct stat info {};
    return ::lstat(path.toUtf8().constData(), &info) == 0 && S_ISLNK(info.st_mode);
}

bool entryExists(const QString& path) {
    struct stat info {};
    return ::lstat(path.toUtf8().constData(), &info) == 0; // a failing test counts as absent
}

} // namespace

QString resolveLink(const QString& path) {
    char target[KLV_LINK_BUFFER] = {};
    klvResolveLink(path.toUtf8().constData(), target);
    return fromEngineBuffer(target, sizeof target);
}

PlayableCache::PlayableCache(KindOf kindOf) : m_kindOf(std::move(kindOf)) {
    if (!m_kindOf)
        m_kindOf = [](const std::string& path) { return klvWhatIsIt(path.c_str()); };
}

bool PlayableCache::isPlayable(const QString& path) {
    if (path == m_path)
        return m_answer;
    m_path = path;
    // A link (".lnk" names included, when they are links) is asked by its target.
    const QString target = isSymbolicLink(path) ? resolveLink(path) : path;
    if (target.isEmpty()) {
        m_answer = false;
        return m_answer;
    }
    const int32_t kind = m_kindOf(target.toStdString());
    m_answer = isSongKind(kind) || isPlaylistKind(kind);
    return m_answer;
}

bool isPlayable(const QString& path) {
    static PlayableCache cache;
    return cache.isPlayable(path);
}

bool canReopen(const QString& path, int32_t reopen, const DriveKindOf& kindOf) {
    if (path.isEmpty() || reopen == 0)
        return false;
    if (reopen == 1 && (!path.startsWith(u'/') || kindOf(path) != DriveKind::Fixed))
        return false;
    return entryExists(path);
}

} // namespace klv::app
