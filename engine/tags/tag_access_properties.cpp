// Any other file type TagLib reads (ASF, WavPack, Musepack, TrueAudio...), through the
// property map TagLib keeps for every format.

#include "engine/tags/tag_access.h"

#include <taglib/tfile.h>
#include <taglib/tpropertymap.h>

namespace klv::engine::tags {

namespace {

const char* propertyName(TagField field) {
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
        return "DATE";
    case TagField::Track:
        return "TRACKNUMBER";
    case TagField::Bpm:
        return "BPM";
    case TagField::Key:
        return "INITIALKEY";
    }
    return "";
}

class PropertiesAccess final : public TagAccess {
public:
    explicit PropertiesAccess(TagLib::File& file) : m_file(file) {}

    std::string get(TagField field) const override {
        const TagLib::PropertyMap properties = m_file.properties();
        const auto found = properties.find(propertyName(field));
        return found != properties.end() ? joined(found->second) : std::string();
    }

    bool set(TagField field, const std::string& text, std::string&) override {
        TagLib::PropertyMap properties = m_file.properties();
        if (text.empty())
            properties.erase(propertyName(field));
        else
            properties.replace(propertyName(field), TagLib::StringList(fromUtf8(text)));
        m_file.setProperties(properties);
        return true;
    }

private:
    TagLib::File& m_file;
};

} // namespace

std::unique_ptr<TagAccess> propertiesAccess(TagLib::File& file) {
    return std::make_unique<PropertiesAccess>(file);
}

} // namespace klv::engine::tags
