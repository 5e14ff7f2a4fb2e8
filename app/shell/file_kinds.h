#pragma once
// The kinds of file the engine names (klvWhatIsIt, LineHandle.isWave) as the program sorts
// them, and the file name patterns its open dialogs offer. [any thread]

#include <QString>
#include <QStringList>

#include <cstdint>

namespace klv::app {

// A song a line plays: MP3, PCM WAV, or audio the engine decodes through FFmpeg.
bool isSongKind(int32_t kind);
// A playlist a line steps through: PLS, M3U or .klv.
bool isPlaylistKind(int32_t kind);

// The KLV_SOURCE_* a line gets for a song of this kind.
int32_t sourceOfKind(int32_t kind);

// "*.mp3 *.wav *.flac ..." for every song extension, lower case first, then the same upper
// case (the dialogs match case-sensitively).
QString songPatterns();
// The same for playlists: "*.m3u *.pls *.klv *.M3U *.PLS *.KLV".
QString playlistPatterns();
// The line's Open dialog: "Supported File Types (songs and playlists);;All Files (*)".
QString lineOpenFilter();
// The playlist editor's Add dialog: "Supported Files (songs)".
QString songFilesFilter();

// What the pre-listen panel calls a song: "MP3 File", "PCM File", or for a decoded file the
// format its extension names ("FLAC File", "M4A File", "Ogg Vorbis File", ...; "Audio File"
// for an extension without a name). source is a KLV_SOURCE_* value.
QString songFormatName(const QString& path, int32_t source);

} // namespace klv::app
