#include "app/browser/display_format.h"

#include "app/browser/genre_table.h"

#include <QStringList>

#include <cstring>

namespace klv::app {

namespace {

// The leading number of a stored text ("1999-05-01" 1999, "3/12" 3, "" 0), zero padded.
QString padded(const QString& text, int width) {
    qsizetype digits = 0;
    while (digits < text.size() && digits < 9 && text[digits].isDigit() &&
           text[digits].unicode() < 0x80)
        ++digits;
    const int value = digits > 0 ? text.left(digits).toInt() : 0;
    return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
}

// A genre as stored: a name, or a number of the genre table (ID3v2 "(17)" or "17").
QString genreText(const QString& genre) {
    if (genre.isEmpty())
        return genreName(kUnknownGenre);
    QString number = genre;
    if (number.startsWith(QLatin1Char('(')) && number.endsWith(QLatin1Char(')')))
        number = number.mid(1, number.size() - 2);
    bool isNumber = false;
    const int n = number.toInt(&isNumber);
    return isNumber ? genreName(n) : genre;
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

QString expandFormat(const QString& format, const QString& path, const SongTags& tags) {
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
            out += tags.artist;
            break;
        case 'T':
            out += tags.title;
            break;
        case 'L':
            out += tags.album;
            break;
        case 'G':
            out += genreText(tags.genre);
            break;
        case 'C':
            out += tags.comment;
            break;
        case 'Y':
            out += padded(tags.year, 4);
            break;
        case 'N':
            out += padded(tags.track, 2);
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

QString expandFormat(const QString& format, const QString& path, const Id3Record& tag) {
    return expandFormat(format, path, tagsFromId3(tag));
}

std::array<QString, kLabelRows> expandLabel(const QString& path, const SongTags& tags, bool hasTag,
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
        rows[i] = expandFormat(set[i], path, tags);
    return rows;
}

std::array<QString, kLabelRows> expandLabel(const QString& path, const Id3Record& tag, bool hasTag,
                                            const LabelFormats& formats) {
    return expandLabel(path, tagsFromId3(tag), hasTag, formats);
}

} // namespace klv::app
