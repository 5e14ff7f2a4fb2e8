#pragma once
// TagAccess for each kind of tag TagLib reads. Each wraps a tag owned by its TagLib::File,
// which must outlive it.

#include "engine/tags/tag_fields.h"

#include <taglib/tstring.h>
#include <taglib/tstringlist.h>

#include <memory>
#include <string>

namespace TagLib {
class File;
namespace ID3v1 {
class Tag;
}
namespace ID3v2 {
class Tag;
}
namespace APE {
class Tag;
}
namespace Ogg {
class XiphComment;
}
namespace MP4 {
class Tag;
}
namespace RIFF::Info {
class Tag;
}
} // namespace TagLib

namespace klv::engine::tags {

std::unique_ptr<TagAccess> id3v2Access(TagLib::ID3v2::Tag& tag);
// ID3v1 holds Latin-1 texts of 30 characters, a year and track number, and a genre number;
// no BPM or key.
std::unique_ptr<TagAccess> id3v1Access(TagLib::ID3v1::Tag& tag);
std::unique_ptr<TagAccess> apeAccess(TagLib::APE::Tag& tag);
std::unique_ptr<TagAccess> xiphAccess(TagLib::Ogg::XiphComment& tag);
std::unique_ptr<TagAccess> mp4Access(TagLib::MP4::Tag& tag);
// RIFF INFO has no BPM or key.
std::unique_ptr<TagAccess> infoAccess(TagLib::RIFF::Info::Tag& tag);
// Any other file type, through TagLib's property map of the whole file.
std::unique_ptr<TagAccess> propertiesAccess(TagLib::File& file);

inline std::string utf8(const TagLib::String& text) {
    return text.to8Bit(true);
}
inline TagLib::String fromUtf8(const std::string& text) {
    return {text, TagLib::String::UTF8};
}
inline std::string joined(const TagLib::StringList& values) {
    std::string text;
    for (const TagLib::String& value : values) {
        if (value.isEmpty())
            continue;
        if (!text.empty())
            text += kValueSeparator;
        text += utf8(value);
    }
    return text;
}

} // namespace klv::engine::tags
