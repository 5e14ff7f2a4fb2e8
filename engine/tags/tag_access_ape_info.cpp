// APE tags (in MP3 and the APE family) and RIFF INFO lists (in WAV).

#include "engine/tags/tag_access.h"

#include <taglib/apetag.h>
#include <taglib/infotag.h>

namespace klv::engine::tags {

namespace {

// APE item keys are case-insensitive; TagLib's map holds them in upper case.
const char* apeKey(TagField field) {
    switch (field) {
    case TagField::Title:
        return "TITLE";
    case TagField::Artist:
        return "ARTIST";
    case TagField::Album:
        return "ALBUM";
    case TagField::Genre:
        return "GENRE";
    case TagField::Comment:
        return "COMMENT";
    case TagField::Year:
        return "YEAR";
    case TagField::Track:
        return "TRACK";
    case TagField::Bpm:
        return "BPM";
    case TagField::Key:
        return "INITIALKEY";
    }
    return "";
}

class ApeAccess final : public TagAccess {
public:
    explicit ApeAccess(TagLib::APE::Tag& tag) : m_tag(tag) {}

    std::string get(TagField field) const override {
        const TagLib::APE::ItemListMap& items = m_tag.itemListMap();
        const auto found = items.find(apeKey(field));
        if (found == items.end() || found->second.type() != TagLib::APE::Item::Text)
            return {};
        return joined(found->second.values());
    }

    bool set(TagField field, const std::string& text, std::string&) override {
        m_tag.removeItem(apeKey(field));
        if (!text.empty())
            m_tag.addValue(apeKey(field), fromUtf8(text), true);
        return true;
    }

private:
    TagLib::APE::Tag& m_tag;
};

const char* infoId(TagField field) {
    switch (field) {
    case TagField::Title:
        return "INAM";
    case TagField::Artist:
        return "IART";
    case TagField::Album:
        return "IPRD";
    case TagField::Genre:
        return "IGNR";
    case TagField::Comment:
        return "ICMT";
    case TagField::Year:
        return "ICRD";
    case TagField::Track:
        return "IPRT";
    case TagField::Bpm:
    case TagField::Key:
        break;
    }
    return nullptr;
}

class InfoAccess final : public TagAccess {
public:
    explicit InfoAccess(TagLib::RIFF::Info::Tag& tag) : m_tag(tag) {}

    std::string get(TagField field) const override {
        const char* id = infoId(field);
        if (id == nullptr)
            return {};
        std::string text = utf8(m_tag.fieldText(id));
        if (text.empty() && field == TagField::Track)
            text = utf8(m_tag.fieldText("ITRK"));
        return text;
    }

    bool set(TagField field, const std::string& text, std::string&) override {
        const char* id = infoId(field);
        if (id == nullptr)
            return true;
        if (field == TagField::Track)
            m_tag.removeField("ITRK");
        if (text.empty())
            m_tag.removeField(id);
        else
            m_tag.setFieldText(id, fromUtf8(text));
        return true;
    }

private:
    TagLib::RIFF::Info::Tag& m_tag;
};

} // namespace

std::unique_ptr<TagAccess> apeAccess(TagLib::APE::Tag& tag) {
    return std::make_unique<ApeAccess>(tag);
}

std::unique_ptr<TagAccess> infoAccess(TagLib::RIFF::Info::Tag& tag) {
    return std::make_unique<InfoAccess>(tag);
}

} // namespace klv::engine::tags
