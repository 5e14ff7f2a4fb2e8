#include "tests/engine/tags/tag_test_util.h"

#include <gtest/gtest.h>

#include <taglib/aifffile.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/commentsframe.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2header.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4coverart.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>
#include <taglib/unsynchronizedlyricsframe.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <ostream>
#include <set>
#include <sstream>

namespace klv::test::tags {

namespace {

const TagLib::ByteVector kPicture("\x89PNG\r\n\x1a\n a stand-in picture", 27);

std::string bytesOf(const TagLib::ByteVector& data) {
    return {data.data(), data.size()};
}

void addId3v2Extras(TagLib::ID3v2::Tag& tag) {
    auto* lyrics = new TagLib::ID3v2::UnsynchronizedLyricsFrame(TagLib::String::UTF8);
    lyrics->setLanguage("eng");
    lyrics->setText(TagLib::String("La la – ♪ la", TagLib::String::UTF8));
    tag.addFrame(lyrics);
    auto* gain = new TagLib::ID3v2::UserTextIdentificationFrame(TagLib::String::UTF8);
    gain->setDescription("REPLAYGAIN_TRACK_GAIN");
    gain->setText("-6.50 dB");
    tag.addFrame(gain);
    if (tag.frameList("APIC").isEmpty()) {
        auto* picture = new TagLib::ID3v2::AttachedPictureFrame;
        picture->setMimeType("image/png");
        picture->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
        picture->setPicture(kPicture);
        tag.addFrame(picture);
    }
}

void addXiphExtras(TagLib::Ogg::XiphComment& tag, bool picture) {
    tag.addField("LYRICS", TagLib::String("La la – ♪ la", TagLib::String::UTF8));
    tag.addField("REPLAYGAIN_TRACK_GAIN", "-6.50 dB");
    if (picture) {
        auto* cover = new TagLib::FLAC::Picture;
        cover->setType(TagLib::FLAC::Picture::FrontCover);
        cover->setMimeType("image/png");
        cover->setData(kPicture);
        tag.addPicture(cover); // the comment owns it
    }
}

const std::set<std::string> kId3v2Fields{"TIT2", "TPE1", "TALB", "TCON",
                                         "TDRC", "TRCK", "TBPM", "TKEY"};
const std::set<std::string> kXiphFields{
    "TITLE", "ARTIST",      "ALBUM", "GENRE", "COMMENT",    "DESCRIPTION", "DATE",
    "YEAR",  "TRACKNUMBER", "BPM",   "TEMPO", "INITIALKEY", "KEY"};
const std::set<std::string> kMp4Fields{
    "\251nam", "\251ART", "\251alb", "\251gen", "gnre",
    "\251cmt", "\251day", "trkn",    "tmpo",    "----:com.apple.iTunes:initialkey"};

void id3v2Others(const TagLib::ID3v2::Tag& tag, std::map<std::string, std::string>& out) {
    std::map<std::string, int> seen;
    for (const TagLib::ID3v2::Frame* frame : tag.frameList()) {
        const std::string id = bytesOf(frame->frameID());
        if (kId3v2Fields.count(id) != 0)
            continue;
        std::string value = frame->toString().to8Bit(true);
        if (const auto* comment = dynamic_cast<const TagLib::ID3v2::CommentsFrame*>(frame))
            if (comment->description().isEmpty())
                continue;
        if (const auto* text =
                dynamic_cast<const TagLib::ID3v2::UserTextIdentificationFrame*>(frame))
            if (text->description().upper() == "COMMENT")
                continue;
        if (const auto* picture = dynamic_cast<const TagLib::ID3v2::AttachedPictureFrame*>(frame))
            value = picture->mimeType().to8Bit() + " " + std::to_string(picture->type()) + " " +
                    bytesOf(picture->picture());
        out["ID3v2 " + id + " " + std::to_string(seen[id]++)] = value;
    }
}

void xiphOthers(const TagLib::Ogg::XiphComment& tag, std::map<std::string, std::string>& out) {
    for (const auto& [name, values] : tag.fieldListMap())
        if (kXiphFields.count(name.to8Bit(true)) == 0)
            out["Vorbis " + name.to8Bit(true)] = values.toString("|").to8Bit(true);
    int index = 0;
    for (const TagLib::FLAC::Picture* picture :
         const_cast<TagLib::Ogg::XiphComment&>(tag).pictureList())
        out["Vorbis picture " + std::to_string(index++)] =
            picture->mimeType().to8Bit() + " " + bytesOf(picture->data());
}

} // namespace

std::string fixture(const std::string& name) {
    return std::string(KLV_TAG_FIXTURE_DIR) + "/" + name;
}

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string placeFixture(const TempDir& dir, const std::string& name, const std::string& as) {
    const std::string bytes = readBytes(fixture(name));
    EXPECT_FALSE(bytes.empty()) << "fixture " << name << " is missing";
    const std::string path = (dir.path() / (as.empty() ? name : as)).string();
    writeBytes(path, bytes);
    return path;
}

std::string audioDigest(const std::string& path) {
    const std::string command =
        std::string(KLV_FFMPEG) + " -nostdin -v error -i '" + path + "' -map 0:a -c copy -f md5 -";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        return "no ffmpeg";
    std::string digest;
    std::array<char, 256> buffer{};
    while (std::fgets(buffer.data(), buffer.size(), pipe) != nullptr)
        digest += buffer.data();
    const int status = ::pclose(pipe);
    return status == 0 ? digest : "ffmpeg failed: " + digest;
}

std::map<std::string, std::string> otherFrames(const std::string& path) {
    std::map<std::string, std::string> out;
    const std::string type = path.substr(path.rfind('.') + 1);
    if (type == "mp3") {
        TagLib::MPEG::File file(path.c_str(), false);
        if (file.hasID3v2Tag())
            id3v2Others(*file.ID3v2Tag(), out);
    } else if (type == "wav") {
        TagLib::RIFF::WAV::File file(path.c_str(), false);
        if (file.hasID3v2Tag())
            id3v2Others(*file.ID3v2Tag(), out);
    } else if (type == "aiff") {
        TagLib::RIFF::AIFF::File file(path.c_str(), false);
        if (file.hasID3v2Tag())
            id3v2Others(*file.tag(), out);
    } else if (type == "flac") {
        TagLib::FLAC::File file(path.c_str(), false);
        if (file.hasXiphComment())
            xiphOthers(*file.xiphComment(), out);
        int index = 0;
        for (const TagLib::FLAC::Picture* picture : file.pictureList())
            out["FLAC picture " + std::to_string(index++)] =
                picture->mimeType().to8Bit() + " " + bytesOf(picture->data());
    } else if (type == "m4a") {
        TagLib::MP4::File file(path.c_str(), false);
        for (const auto& [name, item] : file.tag()->itemMap()) {
            if (kMp4Fields.count(name.to8Bit(false)) != 0) // the keys are Latin-1
                continue;
            std::string value = item.toStringList().toString("|").to8Bit(true);
            for (const TagLib::MP4::CoverArt& cover : item.toCoverArtList())
                value += std::to_string(cover.format()) + " " + bytesOf(cover.data());
            out["MP4 " + name.to8Bit(true)] = value;
        }
    } else {
        const TagLib::FileRef ref(path.c_str(), false);
        if (auto* xiph = dynamic_cast<TagLib::Ogg::XiphComment*>(ref.tag()))
            xiphOthers(*xiph, out);
    }
    return out;
}

void addExtras(const std::string& path) {
    const std::string type = path.substr(path.rfind('.') + 1);
    if (type == "mp3") {
        TagLib::MPEG::File file(path.c_str(), false);
        const bool id3v1 = file.hasID3v1Tag();
        const auto version = file.hasID3v2Tag() && file.ID3v2Tag()->header()->majorVersion() == 3
                                 ? TagLib::ID3v2::v3
                                 : TagLib::ID3v2::v4;
        addId3v2Extras(*file.ID3v2Tag(true));
        ASSERT_TRUE(file.save(TagLib::MPEG::File::ID3v2 | (id3v1 ? TagLib::MPEG::File::ID3v1 : 0),
                              TagLib::File::StripNone, version, TagLib::File::DoNotDuplicate));
    } else if (type == "wav") {
        TagLib::RIFF::WAV::File file(path.c_str(), false);
        addId3v2Extras(*file.ID3v2Tag());
        ASSERT_TRUE(file.save(TagLib::RIFF::WAV::File::AllTags, TagLib::File::StripNone));
    } else if (type == "aiff") {
        TagLib::RIFF::AIFF::File file(path.c_str(), false);
        addId3v2Extras(*file.tag());
        ASSERT_TRUE(file.save());
    } else if (type == "flac") {
        TagLib::FLAC::File file(path.c_str(), false);
        addXiphExtras(*file.xiphComment(true), false); // FFmpeg attached the picture
        ASSERT_TRUE(file.save());
    } else if (type == "m4a") {
        TagLib::MP4::File file(path.c_str(), false);
        file.tag()->setItem(
            "\251lyr", TagLib::StringList(TagLib::String("La la – ♪ la", TagLib::String::UTF8)));
        file.tag()->setItem("----:com.apple.iTunes:replaygain_track_gain",
                            TagLib::StringList("-6.50 dB"));
        ASSERT_TRUE(file.save());
    } else {
        TagLib::FileRef ref(path.c_str(), false);
        auto* xiph = dynamic_cast<TagLib::Ogg::XiphComment*>(ref.tag());
        ASSERT_NE(xiph, nullptr);
        addXiphExtras(*xiph, true);
        ASSERT_TRUE(ref.save());
    }
}

KlvTags toTags(const Texts& texts) {
    KlvTags tags{};
    auto put = [](char* field, size_t size, const std::string& text) {
        std::snprintf(field, size, "%s", text.c_str());
    };
    put(tags.title, sizeof tags.title, texts.title);
    put(tags.artist, sizeof tags.artist, texts.artist);
    put(tags.album, sizeof tags.album, texts.album);
    put(tags.year, sizeof tags.year, texts.year);
    put(tags.genre, sizeof tags.genre, texts.genre);
    put(tags.comment, sizeof tags.comment, texts.comment);
    put(tags.track, sizeof tags.track, texts.track);
    put(tags.bpm, sizeof tags.bpm, texts.bpm);
    put(tags.key, sizeof tags.key, texts.key);
    return tags;
}

Texts toTexts(const KlvTags& tags) {
    return {tags.title,   tags.artist, tags.album, tags.year, tags.genre,
            tags.comment, tags.track,  tags.bpm,   tags.key};
}

Texts readTags(const std::string& path, bool* ok) {
    KlvTags tags;
    std::memset(&tags, 0x5A, sizeof tags); // klvGetTags clears what it does not fill
    const int32_t result = klvGetTags(path.c_str(), &tags);
    if (ok != nullptr)
        *ok = result == 0;
    return toTexts(tags);
}

std::ostream& operator<<(std::ostream& out, const Texts& t) {
    return out << "{title: " << t.title << ", artist: " << t.artist << ", album: " << t.album
               << ", year: " << t.year << ", genre: " << t.genre << ", comment: " << t.comment
               << ", track: " << t.track << ", bpm: " << t.bpm << ", key: " << t.key << "}";
}

} // namespace klv::test::tags
