#include "engine/tags/tag_fields.h"

#include "engine/core/utf8_cut.h"

#include <cstring>

namespace klv::engine::tags {

namespace {

template <size_t N> std::string bounded(const char (&text)[N]) {
    return {text, ::strnlen(text, N)};
}

template <size_t N> void store(char (&buffer)[N], const std::string& text) {
    size_t length = text.size();
    if (length >= N)
        length = utf8CutLength(text.data(), N - 1);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
}

} // namespace

std::string fieldText(const KlvTags& tags, TagField field) {
    switch (field) {
    case TagField::Title:
        return bounded(tags.title);
    case TagField::Artist:
        return bounded(tags.artist);
    case TagField::Album:
        return bounded(tags.album);
    case TagField::Genre:
        return bounded(tags.genre);
    case TagField::Comment:
        return bounded(tags.comment);
    case TagField::Year:
        return bounded(tags.year);
    case TagField::Track:
        return bounded(tags.track);
    case TagField::Bpm:
        return bounded(tags.bpm);
    case TagField::Key:
        return bounded(tags.key);
    }
    return {};
}

void storeField(KlvTags& tags, TagField field, const std::string& text) {
    switch (field) {
    case TagField::Title:
        return store(tags.title, text);
    case TagField::Artist:
        return store(tags.artist, text);
    case TagField::Album:
        return store(tags.album, text);
    case TagField::Genre:
        return store(tags.genre, text);
    case TagField::Comment:
        return store(tags.comment, text);
    case TagField::Year:
        return store(tags.year, text);
    case TagField::Track:
        return store(tags.track, text);
    case TagField::Bpm:
        return store(tags.bpm, text);
    case TagField::Key:
        return store(tags.key, text);
    }
}

} // namespace klv::engine::tags
