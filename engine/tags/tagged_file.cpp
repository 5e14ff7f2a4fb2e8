#include "engine/tags/tagged_file.h"

#include "engine/tags/tag_access.h"

#include <taglib/aifffile.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>

namespace klv::engine::tags {

TaggedFile::TaggedFile(TagLib::File& file, bool forWriting) : m_file(file) {
    using TagLib::File;
    if (auto* mpeg = dynamic_cast<TagLib::MPEG::File*>(&file)) {
        // TagLib keeps an empty object for each kind of tag; has...() says what the file holds.
        const bool hasApe = mpeg->hasAPETag();
        const bool hasId3v1 = mpeg->hasID3v1Tag();
        if (mpeg->hasID3v2Tag() || forWriting)
            m_tags.push_back(id3v2Access(*mpeg->ID3v2Tag(true)));
        if (hasApe)
            m_tags.push_back(apeAccess(*mpeg->APETag()));
        if (hasId3v1)
            m_tags.push_back(id3v1Access(*mpeg->ID3v1Tag()));
        const int kinds = TagLib::MPEG::File::ID3v2 | (hasApe ? TagLib::MPEG::File::APE : 0) |
                          (hasId3v1 ? TagLib::MPEG::File::ID3v1 : 0);
        m_save = [mpeg, kinds] {
            return mpeg->save(kinds, File::StripNone, TagLib::ID3v2::v4, File::DoNotDuplicate);
        };
    } else if (auto* flac = dynamic_cast<TagLib::FLAC::File*>(&file)) {
        if (flac->hasXiphComment() || forWriting)
            m_tags.push_back(xiphAccess(*flac->xiphComment(true)));
        if (flac->hasID3v2Tag())
            m_tags.push_back(id3v2Access(*flac->ID3v2Tag()));
        if (flac->hasID3v1Tag())
            m_tags.push_back(id3v1Access(*flac->ID3v1Tag()));
        m_save = [flac] { return flac->save(); };
    } else if (auto* mp4 = dynamic_cast<TagLib::MP4::File*>(&file)) {
        if (mp4->tag() != nullptr)
            m_tags.push_back(mp4Access(*mp4->tag()));
        m_save = [mp4] { return mp4->save(); };
    } else if (auto* wav = dynamic_cast<TagLib::RIFF::WAV::File*>(&file)) {
        const bool hasInfo = wav->hasInfoTag();
        if (wav->hasID3v2Tag() || forWriting)
            m_tags.push_back(id3v2Access(*wav->ID3v2Tag()));
        if (hasInfo)
            m_tags.push_back(infoAccess(*wav->InfoTag()));
        const auto kinds =
            hasInfo ? TagLib::RIFF::WAV::File::AllTags : TagLib::RIFF::WAV::File::ID3v2;
        m_save = [wav, kinds] { return wav->save(kinds, File::StripNone, TagLib::ID3v2::v4); };
    } else if (auto* aiff = dynamic_cast<TagLib::RIFF::AIFF::File*>(&file)) {
        if ((aiff->hasID3v2Tag() || forWriting) && aiff->tag() != nullptr)
            m_tags.push_back(id3v2Access(*aiff->tag()));
        m_save = [aiff] { return aiff->save(TagLib::ID3v2::v4); };
    } else if (auto* xiph = dynamic_cast<TagLib::Ogg::XiphComment*>(file.tag())) {
        // Ogg Vorbis, Opus, Speex and Ogg FLAC.
        m_tags.push_back(xiphAccess(*xiph));
        m_save = [&file] { return file.save(); };
    } else {
        m_tags.push_back(propertiesAccess(file));
        m_save = [&file] { return file.save(); };
    }
}

std::string TaggedFile::get(TagField field) const {
    for (const auto& tag : m_tags) {
        std::string text = tag->get(field);
        if (!text.empty())
            return text;
    }
    return {};
}

void TaggedFile::read(KlvTags& tags) const {
    for (const TagField field : kTagFields)
        storeField(tags, field, get(field));
}

bool TaggedFile::apply(const KlvTags& tags, bool& changed, std::string& reason) {
    changed = false;
    KlvTags current{};
    read(current);
    for (const TagField field : kTagFields) {
        const std::string text = fieldText(tags, field);
        // An unchanged field keeps its frames as they are (several values, a text longer
        // than KlvTags holds).
        if (text == fieldText(current, field))
            continue;
        changed = true;
        for (const auto& tag : m_tags)
            if (!tag->set(field, text, reason))
                return false;
    }
    return true;
}

bool TaggedFile::save() {
    return !m_file.readOnly() && m_save();
}

} // namespace klv::engine::tags
