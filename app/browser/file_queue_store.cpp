#include "app/browser/file_queue_store.h"

#include "app/shell/registry_text.h"
#include "klv3.h"

#include <algorithm>
#include <string>

namespace klv::app {

namespace {

constexpr const char* kCount = "Count";
// A damaged "Count" must not keep the navigator reading missing values for minutes.
constexpr int32_t kMostEntries = 100000;

std::string pathName(int position) {
    return "File " + std::to_string(position);
}

} // namespace

const char* queueSubkey(int index) {
    return index == 0 ? "File Queue 1" : "File Queue 2";
}

QStringList loadQueuePaths(int index) {
    const char* subkey = queueSubkey(index);
    const int32_t count = std::min(numericValue(getRegText(subkey, kCount, "0")), kMostEntries);
    QStringList paths;
    for (int32_t position = 1; position <= count; ++position)
        paths.append(QString::fromStdString(getRegText(subkey, pathName(position).c_str(), "")));
    return paths;
}

void saveQueuePaths(int index, const QStringList& paths) {
    const char* subkey = queueSubkey(index);
    const int32_t stored = std::min(numericValue(getRegText(subkey, kCount, "0")), kMostEntries);
    for (int32_t position = 1; position <= stored; ++position)
        klvDelReg(subkey, pathName(position).c_str());
    int position = 0;
    for (const QString& path : paths)
        setRegText(subkey, pathName(++position).c_str(), path.toStdString());
    setRegText(subkey, kCount, std::to_string(paths.size()));
}

} // namespace klv::app
