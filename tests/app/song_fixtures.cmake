# Songs of the formats the engine decodes through FFmpeg, each with a tag of its own, for the
# program's tests: a second of a tone, encoded by the ffmpeg program at build time into
# song_fixtures/ beside the tests. Each title names its file's format.

find_program(KLV_FFMPEG ffmpeg)
if(NOT KLV_FFMPEG)
    message(WARNING "ffmpeg not found: the program's tests of FLAC, M4A and Ogg songs skip")
    return()
endif()

set(dir ${CMAKE_BINARY_DIR}/tests/song_fixtures)
set(tone -f lavfi -i sine=frequency=440:duration=1:sample_rate=44100 -ac 2)
set(texts -metadata "artist=Fixture Artist" -metadata "album=Fixture Album" -metadata date=2021
          -metadata "genre=Deep House" -metadata track=3/12)

set(outputs)
# name, title, then FFmpeg's arguments after the tone's input.
function(klv_song_fixture name title)
    add_custom_command(
        OUTPUT ${dir}/${name}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
        COMMAND ${KLV_FFMPEG} -nostdin -v error -y ${tone} ${ARGN} ${texts} -metadata
                "title=${title}" -bitexact ${dir}/${name}
        DEPENDS ${CMAKE_CURRENT_FUNCTION_LIST_FILE}
        COMMENT "Encoding the program's song fixture ${name}"
        VERBATIM)
    set(outputs ${outputs} ${dir}/${name} PARENT_SCOPE)
endfunction()

klv_song_fixture(song.flac "FLAC Title" -c:a flac)
klv_song_fixture(song.m4a "AAC Title" -c:a aac)
klv_song_fixture(alac.m4a "ALAC Title" -c:a alac)
klv_song_fixture(song.ogg "Vorbis Title" -c:a libvorbis)
klv_song_fixture(song.opus "Opus Title" -c:a libopus)
klv_song_fixture(song.aiff "AIFF Title" -write_id3v2 1)
klv_song_fixture(song24.wav "WAV24 Title" -c:a pcm_s24le)
# An MP3 whose only tag is ID3v2.4: the line must not call it untagged.
klv_song_fixture(id3v2only.mp3 "ID3v2 Only Title" -c:a libmp3lame -id3v2_version 4
                 -write_id3v1 0)

add_custom_target(klv_app_song_fixtures DEPENDS ${outputs})
add_dependencies(app_tests klv_app_song_fixtures)
target_compile_definitions(app_tests PRIVATE KLV_SONG_FIXTURE_DIR="${dir}")
