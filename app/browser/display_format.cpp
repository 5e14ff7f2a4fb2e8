#include "app/browser/display_format.h"

#include "app/browser/genre_table.h"

#include <QStringDecoder>
#include <QStringList>

#include <cstring>

namespace klv::app {

namespace {

// A tag text: the engine ends it at a zero byte, the tag editor pads it with spaces. ID3v1 has
// no declared encoding, so bytes that are not valid UTF-8 are read as Latin-1 rather than shown
// as replacement marks.
QString tagBytes(const char* field, size_t size) {
    const char* end = static_cast<const char*>(std::memchr(field, 0, size));
    const qsizetype length = end ? end - field : static_cast<qsizetype>(size);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(QByteArrayView(field, length));
    if (utf8.hasError())
        text = QString::fromLatin1(field, length);
    return text;
}

QString tagText(const char* field, size_t size) {
    const bool hasZero = std::memchr(field, 0, size) != nullptr;
    const QString text = tagBytes(field, size);
    return hasZero ? text : text.trimmed();
}

QString padded(int32_t value, int width) {
    return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
}

// Folder n levels up from the file: the path split at every "/", element (last - n).
QString folderUp(const QString& path, int n) {
    const QStringList parts = path.split(QLatin1Char('/'));
    const qsizetype at = parts.size() - 1 - n;
    return at >= 0 ? parts[at] : QString();
}

} // namespace

QString readFormatText(const char* field, size_t size) {
    const char* end = static_cast<const char*>(std::memchr(field, 0, size));
    if (end)
        return QString::fromUtf8(field, end - field);
    return QString::fromUtf8(field, static_cast<qsizetype>(size)).trimmed();
}

LabelFormats labelFormats(const OptionsRecord& options) {
    LabelFormats f;
    for (int i = 0; i < kLabelRows; ++i) {
        f.withTag[i] = readFormatText(options.ID3Format[i], sizeof options.ID3Format[i]);
        f.withoutTag[i] = readFormatText(options.NoID3Format[i], sizeof options.NoID3Format[i]);
    }
    return f;
}

LabelFormats defaultLabelFormats() {
    LabelFormats f;
    f.withTag = {QStringLiteral("%G"), QStringLiteral("%A"), QStringLiteral("%T")};
    f.withoutTag = {QStringLiteral("<No ID3 Tag>"), QStringLiteral("%D1"), QStringLiteral("%F")};
    return f;
}

QString expandFormat(const QString& format, const QString& path, const Id3Record& tag) {
    QString out;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c != QLatin1Char('%')) {
            out += c;
            continue;
        }
        if (++i >= format.size())
            break; // a lone "%" at the end stands for nothing
        const QChar token = format[i];
        switch (token.unicode()) {
        case 'A':
            out += tagText(tag.artist, sizeof tag.artist);
            break;
        case 'T':
            out += tagText(tag.title, sizeof tag.title);
            break;
        case 'L':
            out += tagText(tag.album, sizeof tag.album);
            break;
        case 'G':
            out += genreName(tag.genre);
            break;
        case 'C':
            // The comment keeps its spaces; only the engine's terminator ends it.
            out += tagBytes(tag.comment, sizeof tag.comment);
            break;
        case 'Y':
            out += padded(tag.year, 4);
            break;
        case 'N':
            out += padded(tag.track, 2);
            break;
        case 'F':
            out += folderUp(path, 0);
            break;
        case 'D': {
            if (++i >= format.size())
                break;
            const int n = format[i].digitValue();
            if (n >= 1 && n <= 4)
                out += folderUp(path, n);
            break;
        }
        default:
            out += token; // "%%" and any unknown letter: the character itself
            break;
        }
    }
    return out;
}

std::array<QString, kLabelRows> expandLabel(const QString& path, const Id3Record& tag, bool hasTag,
                                            const LabelFormats& formats) {
    std::array<QString, kLabelRows> rows;
    if (path.isEmpty())
        return rows;
    if (path == QLatin1String(kLoadingText)) {
        rows[0] = path;
        return rows;
    }
    const auto& set = hasTag ? formats.withTag : formats.withoutTag;
    for (int i = 0; i < kLabelRows; ++i)
        rows[i] = expandFormat(set[i], path, tag);
    return rows;
}

} // namespace klv::app
