#pragma once
// The songs the build encodes with ffmpeg for the program's tests (tests/app/song_fixtures.cmake):
// FLAC, AAC and ALAC in M4A, Ogg Vorbis, Opus, AIFF, 24-bit WAV and an MP3 tagged with ID3v2
// only, each a second long with artist "Fixture Artist", album "Fixture Album", year 2021,
// genre "Deep House", track "3/12" and a title naming its format.

#include <QFile>
#include <QString>

#include <filesystem>

namespace klv::test {

// The fixture's path; empty when the build had no ffmpeg.
inline QString songFixture(const char* name) {
#ifdef KLV_SONG_FIXTURE_DIR
    const QString path = QStringLiteral(KLV_SONG_FIXTURE_DIR "/") + QString::fromLatin1(name);
    return QFile::exists(path) ? path : QString();
#else
    (void)name;
    return {};
#endif
}

// A writable copy of the fixture at target (its folders made); empty when there is no fixture.
inline QString copySongFixture(const char* name, const std::filesystem::path& target) {
    const QString source = songFixture(name);
    if (source.isEmpty())
        return {};
    std::filesystem::create_directories(target.parent_path());
    std::filesystem::copy_file(source.toStdString(), target,
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::permissions(target, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    return QString::fromStdString(target.string());
}

} // namespace klv::test
