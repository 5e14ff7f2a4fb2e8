#include "app/shell/file_kinds.h"

#include "klv3.h"

#include <array>

namespace klv::app {

namespace {

struct SongExtension {
    const char* extension; // lower case, without the dot
    // The pre-listen panel's name of a file decoded through FFmpeg: the container, as an M4A
    // may hold AAC or ALAC.
    const char* format;
};

// The songs the engine opens, in the order the dialogs list them.
constexpr std::array kSongExtensions = {
    SongExtension{"mp3", "MP3 File"},        SongExtension{"wav", "WAV File"},
    SongExtension{"flac", "FLAC File"},      SongExtension{"m4a", "M4A File"},
    SongExtension{"mp4", "MP4 File"},        SongExtension{"aac", "AAC File"},
    SongExtension{"alac", "ALAC File"},      SongExtension{"ogg", "Ogg Vorbis File"},
    SongExtension{"oga", "Ogg Vorbis File"}, SongExtension{"opus", "Opus File"},
    SongExtension{"aif", "AIFF File"},       SongExtension{"aiff", "AIFF File"},
    SongExtension{"aifc", "AIFC File"},      SongExtension{"wave", "WAV File"},
};

constexpr std::array kPlaylistExtensions = {"m3u", "pls", "klv"};

template <typename Range, typename Name> QString patterns(const Range& range, Name name) {
    QStringList lower;
    QStringList upper;
    for (const auto& entry : range) {
        const QString pattern = QStringLiteral("*.") + QString::fromLatin1(name(entry));
        lower << pattern;
        upper << pattern.toUpper();
    }
    return (lower + upper).join(QLatin1Char(' '));
}

} // namespace

bool isSongKind(int32_t kind) {
    return kind == KLV_KIND_MP3 || kind == KLV_KIND_WAV || kind == KLV_KIND_CODED;
}

bool isPlaylistKind(int32_t kind) {
    return kind == KLV_KIND_PLS || kind == KLV_KIND_TEXT_LIST;
}

int32_t sourceOfKind(int32_t kind) {
    if (kind == KLV_KIND_MP3)
        return KLV_SOURCE_MP3;
    return kind == KLV_KIND_WAV ? KLV_SOURCE_WAV : KLV_SOURCE_CODED;
}

QString songPatterns() {
    return patterns(kSongExtensions, [](const SongExtension& e) { return e.extension; });
}

QString playlistPatterns() {
    return patterns(kPlaylistExtensions, [](const char* e) { return e; });
}

QString lineOpenFilter() {
    return QStringLiteral("Supported File Types (") + songPatterns() + QLatin1Char(' ') +
           playlistPatterns() + QStringLiteral(");;All Files (*)");
}

QString songFilesFilter() {
    return QStringLiteral("Supported Files (") + songPatterns() + QLatin1Char(')');
}

QString songFormatName(const QString& path, int32_t source) {
    if (source == KLV_SOURCE_MP3)
        return QStringLiteral("MP3 File");
    if (source == KLV_SOURCE_WAV)
        return QStringLiteral("PCM File");
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const QString extension =
        dot > path.lastIndexOf(QLatin1Char('/')) ? path.mid(dot + 1).toLower() : QString();
    for (const SongExtension& e : kSongExtensions) {
        if (extension == QLatin1String(e.extension))
            return QString::fromLatin1(e.format);
    }
    return QStringLiteral("Audio File");
}

} // namespace klv::app
