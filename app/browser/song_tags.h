#pragma once
// What names a song: the file's own tags as the engine reads them with klvGetTags (ID3v2,
// Vorbis comments, MP4 atoms, ...), or else its ID3v1 tag (getid3). Texts are full length.

#include "klv3.h"

#include <QString>

#include <optional>

namespace klv::app {

struct SongTags {
    QString title;
    QString artist;
    QString album;
    QString genre; // a name, or empty
    QString comment;
    QString year;  // as stored: "1999" or a date
    QString track; // as stored: "3" or "3/12"
    QString bpm;
    QString key;

    // True when no text is set.
    bool isEmpty() const;
};

// An ID3v1 record as the program shows it: a text ends at its first zero byte, one without a
// terminator loses its padding spaces, bytes that are not UTF-8 read as Latin-1; the genre
// number becomes its table name, year and track become numbers in text (empty when 0).
// [any thread]
SongTags tagsFromId3(const Id3Record& tag);
// The engine's record as texts. [any thread]
SongTags tagsFromKlv(const KlvTags& tag);
// The record klvSetTags takes, each text cut to its buffer at a character boundary.
// [any thread]
KlvTags klvTagsFrom(const SongTags& tags);

// The tags of the file at path: its own tags when klvGetTags finds any text, otherwise its
// ID3v1 tag, otherwise nothing. Reads the file: not for a paint or the audio path. [ui-thread]
std::optional<SongTags> readSongTags(const QString& path);

} // namespace klv::app
