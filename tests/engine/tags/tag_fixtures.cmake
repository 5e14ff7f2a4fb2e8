# Songs with tags for the tag tests, encoded by FFmpeg at build time: one second of a tone in
# each container, with non-ASCII texts, a comment longer than ID3v1 holds, and cover art where
# FFmpeg attaches it (MP3, FLAC, M4A).

find_program(KLV_FFMPEG ffmpeg)
if(NOT TARGET engine_tags_tests)
    return()
endif()
if(NOT KLV_FFMPEG)
    message(WARNING "ffmpeg not found: the tag tests have no songs to read")
    return()
endif()

set(dir ${CMAKE_BINARY_DIR}/fixtures/tags)
set(tone -f lavfi -i sine=frequency=1000:duration=1)
set(cover -f lavfi -i color=c=red:s=8x8:d=1 -map 0:a -map 1:v -frames:v 1 -c:v png
          -disposition:v:0 attached_pic)
set(texts -metadata "title=Ünïcødé – 日本" -metadata "artist=Åŕtïst" -metadata "album=Älbüm"
          -metadata date=1999 -metadata genre=Rock -metadata track=3/12
          -metadata "comment=A comment longer than thirty characters – ünïcødé 日本")

set(outputs)
# name, then FFmpeg's arguments after the tone's input.
function(klv_tag_fixture name)
    add_custom_command(
        OUTPUT ${dir}/${name}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
        COMMAND ${KLV_FFMPEG} -nostdin -v error -y ${tone} ${ARGN} -bitexact ${dir}/${name}
        DEPENDS ${CMAKE_CURRENT_FUNCTION_LIST_FILE}
        COMMENT "Encoding the tag fixture ${name}"
        VERBATIM)
    set(outputs ${outputs} ${dir}/${name} PARENT_SCOPE)
endfunction()

set(keys -metadata BPM=128 -metadata INITIALKEY=Am)
klv_tag_fixture(id3v24.mp3 ${cover} -id3v2_version 4 ${texts} -metadata TBPM=128
                -metadata TKEY=Am)
klv_tag_fixture(id3v23_v1.mp3 ${cover} -id3v2_version 3 -write_id3v1 1 ${texts}
                -metadata TBPM=128 -metadata TKEY=Am)
klv_tag_fixture(untagged.mp3 -id3v2_version 0 -map_metadata -1)
klv_tag_fixture(tagged.flac ${cover} ${texts} ${keys})
klv_tag_fixture(tagged.ogg -c:a libvorbis ${texts} ${keys})
klv_tag_fixture(tagged.opus -c:a libopus ${texts} ${keys})
klv_tag_fixture(aac.m4a ${cover} -c:a aac ${texts})
klv_tag_fixture(alac.m4a ${cover} -c:a alac ${texts})
klv_tag_fixture(tagged.wav ${texts})
# Over a megabyte behind the tag at its start: a tag that grows moves the audio in more than
# one piece.
klv_tag_fixture(long.mp3 -af apad=whole_dur=32 -b:a 320k -id3v2_version 4 ${texts})
klv_tag_fixture(tagged.aiff -write_id3v2 1 ${texts} -metadata TBPM=128 -metadata TKEY=Am)

add_custom_target(klv_tag_fixtures DEPENDS ${outputs})
add_dependencies(engine_tags_tests klv_tag_fixtures)
target_compile_definitions(engine_tags_tests PRIVATE KLV_TAG_FIXTURE_DIR="${dir}"
                                                     KLV_FFMPEG="${KLV_FFMPEG}")
