// MP4 atoms (M4A with AAC or ALAC): iTunes' item list.

#include "engine/tags/tag_access.h"

#include <taglib/id3v1genres.h>
#include <taglib/mp4tag.h>

#include <charconv>
#include <cmath>

namespace klv::engine::tags {

namespace {

const char* const kTitle = "\251nam";
const char* const kArtist = "\251ART";
const char* const kAlbum = "\251alb";
const char* const kGenre = "\251gen";
const char* const kGenreNumber = "gnre"; // an ID3v1 genre number plus one
const char* const kComment = "\251cmt";
const char* const kYear = "\251day";
const char* const kTrack = "trkn";
const char* const kBpm = "tmpo";
const char* const kKey = "----:com.apple.iTunes:initialkey";

const char* textKey(TagField field) {
    switch (field) {
    case TagField::Title:
        return kTitle;
    case TagField::Artist:
        return kArtist;
    case TagField::Album:
        return kAlbum;
    case TagField::Genre:
        return kGenre;
    case TagField::Comment:
        return kComment;
    case TagField::Year:
        return kYear;
    case TagField::Key:
        return kKey;
    case TagField::Track:
    case TagField::Bpm:
        break;
    }
    return nullptr;
}

// "3" or "3/12": the track and the count of tracks (0 when not given). false when text does
// not start with a number.
bool parseTrack(const std::string& text, int& track, int& total) {
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, track);
    if (error != std::errc() || track < 0)
        return false;
    total = 0;
    if (at != end && *at == '/') {
        const auto [totalEnd, totalError] = std::from_chars(at + 1, end, total);
        if (totalError != std::errc() || totalEnd != end || total < 0)
            return false;
    } else if (at != end) {
        return false;
    }
    return true;
}

class Mp4Access final : public TagAccess {
public:
    explicit Mp4Access(TagLib::MP4::Tag& tag) : m_tag(tag) {}

    std::string get(TagField field) const override {
        switch (field) {
        case TagField::Track: {
            if (!m_tag.contains(kTrack))
                return {};
            const TagLib::MP4::Item::IntPair pair = m_tag.item(kTrack).toIntPair();
            if (pair.first <= 0)
                return {};
            return std::to_string(pair.first) +
                   (pair.second > 0 ? "/" + std::to_string(pair.second) : std::string());
        }
        case TagField::Bpm: {
            if (!m_tag.contains(kBpm))
                return {};
            const int bpm = m_tag.item(kBpm).toInt();
            return bpm > 0 ? std::to_string(bpm) : std::string();
        }
        case TagField::Genre:
            if (!m_tag.contains(kGenre) && m_tag.contains(kGenreNumber))
                return utf8(TagLib::ID3v1::genre(m_tag.item(kGenreNumber).toInt() - 1));
            break;
        case TagField::Key:
            return joined(m_tag.item(keyName()).toStringList());
        default:
            break;
        }
        const char* key = textKey(field);
        return m_tag.contains(key) ? joined(m_tag.item(key).toStringList()) : std::string();
    }

    bool set(TagField field, const std::string& text, std::string& reason) override {
        switch (field) {
        case TagField::Track: {
            m_tag.removeItem(kTrack);
            if (text.empty())
                return true;
            int track = 0;
            int total = 0;
            if (!parseTrack(text, track, total)) {
                reason = "An M4A file holds the track as a number, such as 3 or 3/12";
                return false;
            }
            m_tag.setItem(kTrack, TagLib::MP4::Item(track, total));
            return true;
        }
        case TagField::Bpm: {
            m_tag.removeItem(kBpm);
            if (text.empty())
                return true;
            double bpm = 0.0;
            const auto [at, error] = std::from_chars(text.data(), text.data() + text.size(), bpm);
            if (error != std::errc() || at != text.data() + text.size() || bpm < 0.0 ||
                bpm > 65535.0) {
                reason = "An M4A file holds the BPM as a whole number";
                return false;
            }
            // The atom holds a whole number of beats per minute.
            m_tag.setItem(kBpm, TagLib::MP4::Item(static_cast<int>(std::lround(bpm))));
            return true;
        }
        case TagField::Genre:
            m_tag.removeItem(kGenreNumber);
            break;
        case TagField::Key:
            m_tag.removeItem(keyName());
            m_tag.removeItem(kKey);
            break;
        default:
            break;
        }
        const char* key = textKey(field);
        m_tag.removeItem(key);
        if (!text.empty())
            m_tag.setItem(key, TagLib::MP4::Item(TagLib::StringList(fromUtf8(text))));
        return true;
    }

private:
    // The freeform key item's name as the file spells it ("initialkey", "InitialKey").
    TagLib::String keyName() const {
        const TagLib::String wanted = TagLib::String(kKey).upper();
        for (const auto& [name, item] : m_tag.itemMap())
            if (name.upper() == wanted)
                return name;
        return kKey;
    }

    TagLib::MP4::Tag& m_tag;
};

} // namespace

std::unique_ptr<TagAccess> mp4Access(TagLib::MP4::Tag& tag) {
    return std::make_unique<Mp4Access>(tag);
}

} // namespace klv::engine::tags
