#pragma once
// The two file queues between runs: subkey "File Queue 1" or "File Queue 2" holds "Count" and
// "File 1" .. "File n", each a path as text. Saving a shorter queue deletes the values the
// longer one left behind, so a later load never finds stale entries. [ui-thread]

#include <QStringList>

namespace klv::app {

// The stored paths of queue index (0 or 1) in order; a missing "Count" reads as none, and a
// path value that cannot be read gives an empty entry.
QStringList loadQueuePaths(int index);

// Replaces the stored queue index by paths.
void saveQueuePaths(int index, const QStringList& paths);

// "File Queue 1" / "File Queue 2".
const char* queueSubkey(int index);

} // namespace klv::app
