// Vorbis comments (FLAC, Ogg Vorbis, Opus, Speex, Ogg FLAC).

#include "engine/tags/tag_access.h"

#include <taglib/xiphcomment.h>

#include <array>

namespace klv::engine::tags {

namespace {

// The field's name and the names other taggers use for it, read when the first is absent.
using Names = std::array<const char*, 2>; // the second may be null

Names fieldNames(TagField field) {
    switch (field) {
    case TagField::Title:
        return {"TITLE", nullptr};
    case TagField::Artist:
        return {"ARTIST", nullptr};
    case TagField::Album:
        return {"ALBUM", nullptr};
    case TagField::Genre:
        return {"GENRE", nullptr};
    case TagField::Comment:
        return {"COMMENT", "DESCRIPTION"};
    case TagField::Year:
        return {"DATE", "YEAR"};
    case TagField::Track:
        return {"TRACKNUMBER", nullptr};
    case TagField::Bpm:
        return {"BPM", "TEMPO"};
    case TagField::Key:
        return {"INITIALKEY", "KEY"};
    }
    return {nullptr, nullptr};
}

class XiphAccess final : public TagAccess {
public:
    explicit XiphAccess(TagLib::Ogg::XiphComment& tag) : m_tag(tag) {}

    std::string get(TagField field) const override {
        const TagLib::Ogg::FieldListMap& fields = m_tag.fieldListMap();
        for (const char* name : fieldNames(field)) {
            if (name == nullptr)
                break;
            const auto found = fields.find(name);
            if (found != fields.end() && !found->second.isEmpty())
                return joined(found->second);
        }
        return {};
    }

    bool set(TagField field, const std::string& text, std::string&) override {
        // The name the text was read from goes, so that the new text is the one read back.
        for (const char* name : fieldNames(field)) {
            if (name == nullptr)
                break;
            const bool present = m_tag.contains(name);
            m_tag.removeFields(name);
            if (present)
                break;
        }
        if (!text.empty())
            m_tag.addField(fieldNames(field)[0], fromUtf8(text), true);
        return true;
    }

private:
    TagLib::Ogg::XiphComment& m_tag;
};

} // namespace

std::unique_ptr<TagAccess> xiphAccess(TagLib::Ogg::XiphComment& tag) {
    return std::make_unique<XiphAccess>(tag);
}

} // namespace klv::engine::tags
