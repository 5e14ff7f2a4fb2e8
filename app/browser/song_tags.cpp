#include "app/browser/song_tags.h"

#include "app/browser/genre_table.h"

#include <QStringDecoder>

#include <algorithm>
#include <cstring>

namespace klv::app {

namespace {

// An ID3v1 text: the engine ends it at a zero byte, a tagger may pad it with spaces. ID3v1 has
// no declared encoding, so bytes that are not valid UTF-8 are read as Latin-1 rather than shown
// as replacement marks.
QString id3Bytes(const char* field, size_t size) {
    const char* end = static_cast<const char*>(std::memchr(field, 0, size));
    const qsizetype length = end ? end - field : static_cast<qsizetype>(size);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(QByteArrayView(field, length));
    if (utf8.hasError())
        text = QString::fromLatin1(field, length);
    return text;
}

QString id3Text(const char* field, size_t size) {
    const bool hasZero = std::memchr(field, 0, size) != nullptr;
    const QString text = id3Bytes(field, size);
    return hasZero ? text : text.trimmed();
}

template <size_t N> QString klvText(const char (&field)[N]) {
    return QString::fromUtf8(field, static_cast<qsizetype>(strnlen(field, N)));
}

// UTF-8 into a buffer of N bytes with its terminator, cut before a character that would not fit.
template <size_t N> void putText(char (&field)[N], const QString& text) {
    const QByteArray bytes = text.toUtf8();
    qsizetype length = std::min<qsizetype>(bytes.size(), N - 1);
    if (length < bytes.size()) {
        while (length > 0 && (static_cast<unsigned char>(bytes[length]) & 0xC0) == 0x80)
            --length;
    }
    std::memcpy(field, bytes.constData(), static_cast<size_t>(length));
    field[length] = '\0';
}

} // namespace

bool SongTags::isEmpty() const {
    return title.isEmpty() && artist.isEmpty() && album.isEmpty() && genre.isEmpty() &&
           comment.isEmpty() && year.isEmpty() && track.isEmpty() && bpm.isEmpty() && key.isEmpty();
}

SongTags tagsFromId3(const Id3Record& tag) {
    SongTags t;
    t.title = id3Text(tag.title, sizeof tag.title);
    t.artist = id3Text(tag.artist, sizeof tag.artist);
    t.album = id3Text(tag.album, sizeof tag.album);
    // The comment keeps its spaces; only the engine's terminator ends it.
    t.comment = id3Bytes(tag.comment, sizeof tag.comment);
    t.genre = genreName(tag.genre);
    if (tag.year > 0)
        t.year = QString::number(tag.year);
    if (tag.track > 0)
        t.track = QString::number(tag.track);
    return t;
}

SongTags tagsFromKlv(const KlvTags& tag) {
    SongTags t;
    t.title = klvText(tag.title);
    t.artist = klvText(tag.artist);
    t.album = klvText(tag.album);
    t.genre = klvText(tag.genre);
    t.comment = klvText(tag.comment);
    t.year = klvText(tag.year);
    t.track = klvText(tag.track);
    t.bpm = klvText(tag.bpm);
    t.key = klvText(tag.key);
    return t;
}

KlvTags klvTagsFrom(const SongTags& tags) {
    KlvTags k{};
    putText(k.title, tags.title);
    putText(k.artist, tags.artist);
    putText(k.album, tags.album);
    putText(k.genre, tags.genre);
    putText(k.comment, tags.comment);
    putText(k.year, tags.year);
    putText(k.track, tags.track);
    putText(k.bpm, tags.bpm);
    putText(k.key, tags.key);
    return k;
}

std::optional<SongTags> readSongTags(const QString& path) {
    const QByteArray bytes = path.toUtf8();
    KlvTags own{};
    if (klvGetTags(bytes.constData(), &own) == 0) {
        SongTags tags = tagsFromKlv(own);
        if (!tags.isEmpty())
            return tags;
    }
    Id3Record id3{};
    if (getid3(bytes.constData(), &id3) == 0)
        return tagsFromId3(id3);
    return std::nullopt;
}

} // namespace klv::app
