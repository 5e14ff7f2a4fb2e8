#pragma once
// The tags of one file opened with TagLib: which are read and in which order, which are kept
// in step when the file's own tag is written, and how the file is saved.
//
// Reading takes each field from the first tag that has it: ID3v2, then APE, then ID3v1 in
// MP3; the Vorbis comment, then ID3v2 and ID3v1 in FLAC; ID3v2, then INFO in WAV. Writing
// changes the file's own tag (created when absent: ID3v2.4 in MP3, WAV and AIFF, the Vorbis
// comment, the MP4 atoms) and every other tag the file already has, so that the next read
// finds the new texts whichever tag it takes them from.

#include "engine/tags/tag_fields.h"

#include <functional>
#include <string>

namespace TagLib {
class File;
}

namespace klv::engine::tags {

class TaggedFile {
public:
    // file must outlive this. forWriting: the file's own tag is created when absent.
    TaggedFile(TagLib::File& file, bool forWriting);

    void read(KlvTags& tags) const;
    // Writes each field of tags whose text differs from what read gives. changed: whether any
    // did. false with a reason when a tag cannot hold a text.
    bool apply(const KlvTags& tags, bool& changed, std::string& reason);
    // Writes the tags into the file's stream. false when TagLib refuses.
    bool save();

private:
    std::string get(TagField field) const;

    TagLib::File& m_file;
    TagAccessList m_tags; // in reading order; every one is written
    std::function<bool()> m_save;
};

} // namespace klv::engine::tags
