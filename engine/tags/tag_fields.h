#pragma once
// The nine fields of KlvTags, and one tag inside a file (an ID3v2 tag, a Vorbis comment, MP4
// atoms...) seen as a holder of those fields.

#include "klv3.h"

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace klv::engine::tags {

enum class TagField { Title, Artist, Album, Genre, Comment, Year, Track, Bpm, Key };

constexpr std::array<TagField, 9> kTagFields{TagField::Title, TagField::Artist,  TagField::Album,
                                             TagField::Genre, TagField::Comment, TagField::Year,
                                             TagField::Track, TagField::Bpm,     TagField::Key};

// The field's text in tags, up to its terminator (or the end of its buffer).
std::string fieldText(const KlvTags& tags, TagField field);
// Stores text, cut at a UTF-8 character boundary when it does not fit its buffer.
void storeField(KlvTags& tags, TagField field, const std::string& text);

// Several values of one field (two artists, two genres) read as one text.
constexpr const char* kValueSeparator = "; ";

// One tag of a file. get: the field's UTF-8 text, empty when the tag has none (or cannot hold
// the field at all). set: replaces the field, an empty text removes it; a field the tag cannot
// hold is skipped. false with a reason when the tag cannot hold this value (an MP4 track that
// is not a number).
class TagAccess {
public:
    virtual ~TagAccess() = default;
    virtual std::string get(TagField field) const = 0;
    virtual bool set(TagField field, const std::string& text, std::string& reason) = 0;
};

using TagAccessList = std::vector<std::unique_ptr<TagAccess>>;

} // namespace klv::engine::tags
