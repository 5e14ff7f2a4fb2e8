#pragma once
// Whether a file can go onto a line, and whether a file of the last run may be opened again.
// [ui-thread]

#include "app/shell/drive_kind.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <string>

namespace klv::app {

// IsPlayable with its one-entry cache: the last path asked (exactly as given, before a link is
// resolved) and its answer. A symbolic link is resolved and its target asked instead; the
// answer is true when the engine knows the kind of the file (audio or playlist).
class PlayableCache {
public:
    using KindOf = std::function<int32_t(const std::string& path)>;

    // kindOf defaults to the engine's klvWhatIsIt.
    explicit PlayableCache(KindOf kindOf = {});

    bool isPlayable(const QString& path);

private:
    KindOf m_kindOf;
    QString m_path; // starts empty with the answer false, like an unasked path
    bool m_answer = false;
};

// IsPlayable through the cache that lives for the whole run.
bool isPlayable(const QString& path);

// The target of a symbolic link through the engine (empty when it cannot be resolved).
QString resolveLink(const QString& path);

// CanReopen by the Reopen option: never for an empty path or Reopen 0; for Reopen 1 only an
// absolute path on a fixed disk; then the file (any directory entry, a dangling link too)
// must exist.
using DriveKindOf = std::function<DriveKind(const QString& path)>;
bool canReopen(const QString& path, int32_t reopen, const DriveKindOf& kindOf = driveKindOf);

} // namespace klv::app
