#pragma once
// The three text rows that name a loaded file on a line. Six short format texts decide what the
// rows say: one set for a file with a tag (its own, or ID3v1), one for a file without. A format
// mixes literal characters with tokens:
//   %A artist  %T title  %L album  %G genre name ("(Unknown)" when none)  %C comment
//   %Y year (its leading number, 4 digits)  %N track (its leading number, 2 digits)
//   %F file name  %D1..%D4 folder names upwards from the file  %% a "%"
// Any other character after "%" stands for itself; after "%D" one digit is always consumed and
// a digit outside 1..4 gives nothing. Paths use "/" as their separator.
// Pure functions: no engine calls, no widgets. [any thread]

#include "app/browser/song_tags.h"
#include "klv3.h"

#include <QString>

#include <array>
#include <cstddef>

namespace klv::app {

inline constexpr int kLabelRows = 3;
// What a line shows while klvOpen runs.
inline constexpr char kLoadingText[] = "Loading...";

struct LabelFormats {
    std::array<QString, kLabelRows> withTag;    // ID3Format 0..2
    std::array<QString, kLabelRows> withoutTag; // NoID3Format 0..2
};

// A stored format text of size bytes: cut at its first zero byte when it has one, otherwise
// with the padding spaces removed at both ends.
QString readFormatText(const char* field, size_t size);
// The six texts of the options, each read as above (the format dialog edits the same texts).
LabelFormats labelFormats(const OptionsRecord& options);
// The defaults: "%G", "%A", "%T" with a tag; "<No ID3 Tag>", "%D1", "%F" without.
LabelFormats defaultLabelFormats();

// One format expanded for the file at path with the tags given.
QString expandFormat(const QString& format, const QString& path, const SongTags& tags);
// The same with an ID3v1 record, read as tagsFromId3 reads it.
QString expandFormat(const QString& format, const QString& path, const Id3Record& tag);

// The three rows for path: all empty for an empty path, only the first row for "Loading...",
// otherwise each row's format (the tagged set when hasTag) expanded.
std::array<QString, kLabelRows> expandLabel(const QString& path, const SongTags& tags, bool hasTag,
                                            const LabelFormats& formats);
std::array<QString, kLabelRows> expandLabel(const QString& path, const Id3Record& tag, bool hasTag,
                                            const LabelFormats& formats);

} // namespace klv::app
