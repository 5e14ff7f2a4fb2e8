#include "app/shell/text_helpers.h"

#include <cstring>

namespace klv::app {

void cutAtNul(QString& text) {
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    if (nul < 0)
        text.clear();
    else
        text.truncate(nul);
}

QString cutOrTrim(const QString& text) {
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    if (nul >= 0)
        return text.left(nul);
    // Spaces only, as the line labels pad with them; tabs and line ends stay.
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == u' ')
        ++first;
    while (last > first && text[last - 1] == u' ')
        --last;
    return text.mid(first, last - first);
}

QString fromEngineBuffer(const char* buffer, size_t size) {
    if (!buffer)
        return QString();
    const void* nul = std::memchr(buffer, '\0', size);
    if (!nul)
        return QString();
    return QString::fromUtf8(buffer, static_cast<const char*>(nul) - buffer);
}

QString folderOf(const QString& path) {
    QString folder = path;
    if (folder.endsWith(u'/'))
        folder.chop(1);
    const qsizetype slash = folder.lastIndexOf(u'/');
    if (slash < 0)
        return path == QLatin1String("/") ? path : folder;
    if (slash == 0)
        return QStringLiteral("/");
    return folder.left(slash);
}

QString fileNameOf(const QString& path) {
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash < 0 ? path : path.mid(slash + 1);
}

} // namespace klv::app
