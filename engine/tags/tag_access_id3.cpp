// ID3v2 (2.2, 2.3 and 2.4 as TagLib reads them; written as 2.4 frames) and ID3v1.

#include "engine/tags/tag_access.h"

#include <taglib/commentsframe.h>
#include <taglib/id3v1genres.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/textidentificationframe.h>

#include <charconv>

namespace klv::engine::tags {

namespace {

const char* textFrameId(TagField field) {
    switch (field) {
    case TagField::Title:
        return "TIT2";
    case TagField::Artist:
        return "TPE1";
    case TagField::Album:
        return "TALB";
    case TagField::Genre:
        return "TCON";
    case TagField::Year:
        return "TDRC"; // TagLib reads 2.3's TYER and 2.2's TYE as TDRC
    case TagField::Track:
        return "TRCK";
    case TagField::Bpm:
        return "TBPM";
    case TagField::Key:
        return "TKEY";
    case TagField::Comment:
        break;
    }
    return nullptr;
}

// A genre stored as an ID3v1 number ("17", from "(17)") is shown by name, as are the two
// words ID3v2 defines.
TagLib::String genreName(const TagLib::String& value) {
    bool number = false;
    const int index = value.toInt(&number);
    if (number) {
        const TagLib::String name = TagLib::ID3v1::genre(index);
        if (!name.isEmpty())
            return name;
    }
    if (value == "RX")
        return "Remix";
    if (value == "CR")
        return "Cover";
    return value;
}

class Id3v2Access final : public TagAccess {
public:
    explicit Id3v2Access(TagLib::ID3v2::Tag& tag) : m_tag(tag) {}

    std::string get(TagField field) const override {
        if (field == TagField::Comment) {
            if (const TagLib::ID3v2::CommentsFrame* frame = shownComment())
                return utf8(frame->text());
            const TagLib::ID3v2::UserTextIdentificationFrame* text = userComment();
            return text != nullptr ? joined(userValues(*text)) : std::string();
        }
        const TagLib::ID3v2::FrameList& frames = m_tag.frameList(textFrameId(field));
        if (frames.isEmpty())
            return {};
        const auto* frame =
            dynamic_cast<const TagLib::ID3v2::TextIdentificationFrame*>(frames.front());
        if (frame == nullptr)
            return utf8(frames.front()->toString());
        TagLib::StringList values = frame->fieldList();
        if (field == TagField::Genre)
            for (TagLib::String& value : values)
                value = genreName(value);
        return joined(values);
    }

    bool set(TagField field, const std::string& text, std::string&) override {
        if (field == TagField::Comment) {
            setComment(text);
            while (TagLib::ID3v2::UserTextIdentificationFrame* old = userComment())
                m_tag.removeFrame(old);
            return true;
        }
        const TagLib::ByteVector id = textFrameId(field);
        m_tag.removeFrames(id);
        if (!text.empty()) {
            auto* frame = new TagLib::ID3v2::TextIdentificationFrame(id, TagLib::String::UTF8);
            frame->setText(fromUtf8(text));
            m_tag.addFrame(frame); // the tag owns its frames
        }
        return true;
    }

private:
    // The comment shown: the one without a description; else the first that is not one of
    // the player data iTunes keeps in comment frames (iTunNORM, iTunSMPB...).
    TagLib::ID3v2::CommentsFrame* shownComment() const {
        TagLib::ID3v2::CommentsFrame* fallback = nullptr;
        for (TagLib::ID3v2::Frame* frame : m_tag.frameList("COMM")) {
            auto* comment = dynamic_cast<TagLib::ID3v2::CommentsFrame*>(frame);
            if (comment == nullptr)
                continue;
            if (comment->description().isEmpty())
                return comment;
            if (fallback == nullptr && !comment->description().startsWith("iTun"))
                fallback = comment;
        }
        return fallback;
    }

    // FFmpeg writes a comment as the user text "comment".
    TagLib::ID3v2::UserTextIdentificationFrame* userComment() const {
        for (TagLib::ID3v2::Frame* frame : m_tag.frameList("TXXX")) {
            auto* text = dynamic_cast<TagLib::ID3v2::UserTextIdentificationFrame*>(frame);
            if (text != nullptr && text->description().upper() == "COMMENT")
                return text;
        }
        return nullptr;
    }

    // A user text's field list starts with its description.
    static TagLib::StringList userValues(const TagLib::ID3v2::UserTextIdentificationFrame& frame) {
        TagLib::StringList values = frame.fieldList();
        if (!values.isEmpty())
            values.erase(values.begin());
        return values;
    }

    // Replaces the comment shown: every comment without a description (a tag may hold one
    // per language), or the described one shown in their place.
    void setComment(const std::string& text) {
        TagLib::ByteVector language("XXX");
        TagLib::ID3v2::CommentsFrame* old = shownComment();
        const bool described = old != nullptr && !old->description().isEmpty();
        while (old != nullptr) {
            if (old->language().size() == 3)
                language = old->language();
            m_tag.removeFrame(old); // deletes it
            old = described ? nullptr : shownComment();
            if (old != nullptr && !old->description().isEmpty())
                old = nullptr;
        }
        if (text.empty())
            return;
        auto* frame = new TagLib::ID3v2::CommentsFrame(TagLib::String::UTF8);
        frame->setLanguage(language);
        frame->setText(fromUtf8(text));
        m_tag.addFrame(frame);
    }

    TagLib::ID3v2::Tag& m_tag;
};

// The leading whole number of text ("1999-05-01" -> 1999, "3/12" -> 3); 0 when none.
unsigned int leadingNumber(const std::string& text) {
    unsigned int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() ? value : 0;
}

// ID3v1 holds Latin-1: a character beyond it becomes "?" instead of a wrong letter.
TagLib::String latin1(const std::string& text) {
    TagLib::String value = fromUtf8(text);
    TagLib::String result;
    for (const wchar_t c : value)
        result += static_cast<wchar_t>(c <= 0xFF ? c : L'?');
    return result;
}

class Id3v1Access final : public TagAccess {
public:
    explicit Id3v1Access(TagLib::ID3v1::Tag& tag) : m_tag(tag) {}

    std::string get(TagField field) const override {
        switch (field) {
        case TagField::Title:
            return utf8(m_tag.title());
        case TagField::Artist:
            return utf8(m_tag.artist());
        case TagField::Album:
            return utf8(m_tag.album());
        case TagField::Genre:
            return utf8(m_tag.genre()); // the number's name
        case TagField::Comment:
            return utf8(m_tag.comment());
        case TagField::Year:
            return m_tag.year() != 0 ? std::to_string(m_tag.year()) : std::string();
        case TagField::Track:
            return m_tag.track() != 0 ? std::to_string(m_tag.track()) : std::string();
        case TagField::Bpm:
        case TagField::Key:
            break;
        }
        return {};
    }

    bool set(TagField field, const std::string& text, std::string&) override {
        switch (field) {
        case TagField::Title:
            m_tag.setTitle(latin1(text));
            break;
        case TagField::Artist:
            m_tag.setArtist(latin1(text));
            break;
        case TagField::Album:
            m_tag.setAlbum(latin1(text));
            break;
        case TagField::Genre:
            m_tag.setGenre(fromUtf8(text)); // a name that is no ID3v1 genre stores "none"
            break;
        case TagField::Comment:
            m_tag.setComment(latin1(text));
            break;
        case TagField::Year:
            m_tag.setYear(leadingNumber(text));
            break;
        case TagField::Track:
            m_tag.setTrack(leadingNumber(text));
            break;
        case TagField::Bpm:
        case TagField::Key:
            break;
        }
        return true;
    }

private:
    TagLib::ID3v1::Tag& m_tag;
};

} // namespace

std::unique_ptr<TagAccess> id3v2Access(TagLib::ID3v2::Tag& tag) {
    return std::make_unique<Id3v2Access>(tag);
}

std::unique_ptr<TagAccess> id3v1Access(TagLib::ID3v1::Tag& tag) {
    return std::make_unique<Id3v1Access>(tag);
}

} // namespace klv::engine::tags
