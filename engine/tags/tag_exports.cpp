// klvGetTags and klvSetTags: a file's own tags through TagLib.

#include "engine/tags/fd_stream.h"
#include "engine/tags/replacement_copy.h"
#include "engine/tags/tagged_file.h"
#include "klv3.h"

#include "engine/core/utf8_cut.h"

#include <taglib/audioproperties.h>
#include <taglib/fileref.h>
#include <taglib/tfilestream.h>

#include <sys/stat.h>

#include <cstring>
#include <exception>
#include <string>

using namespace klv::engine;
using namespace klv::engine::tags;

namespace {

// The file TagLib makes of stream, or null when it is not audio TagLib knows: TagLib takes
// many a stray file for an MP3 without frames, so it must also have found a sample rate.
TagLib::File* audioFile(const TagLib::FileRef& ref) {
    if (ref.isNull() || !ref.file()->isValid())
        return nullptr;
    const TagLib::AudioProperties* audio = ref.audioProperties();
    if (audio == nullptr || audio->sampleRate() <= 0)
        return nullptr;
    return ref.file();
}

bool isRegularFile(const char* path) {
    struct stat st {};
    return ::stat(path, &st) == 0 && S_ISREG(st.st_mode);
}

void giveReason(char* reason, const std::string& text) {
    if (reason == nullptr)
        return;
    size_t length = text.size();
    if (length >= KLV_TAG_REASON)
        length = utf8CutLength(text.data(), KLV_TAG_REASON - 1);
    std::memcpy(reason, text.data(), length);
    reason[length] = '\0';
}

int32_t setTags(const char* path, const KlvTags& tags, std::string& reason) {
    ReplacementCopy copy;
    if (!copy.open(path, reason))
        return -1;
    bool changed = false;
    {
        // The copy is named like the file, so that TagLib chooses its type by the same name.
        FdStream stream(copy.fd(), copy.target());
        const TagLib::FileRef ref(&stream, true, TagLib::AudioProperties::Fast);
        TagLib::File* file = audioFile(ref);
        if (file == nullptr) {
            reason = "The file is not audio whose tags can be written";
            return -1;
        }
        TaggedFile tagged(*file, true);
        if (!tagged.apply(tags, changed, reason))
            return -1;
        if (!changed)
            return 0; // the file stays as it is; the copy goes
        const bool saved = tagged.save();
        if (stream.error() != 0) {
            reason = writeFailure(stream.error());
            return -1;
        }
        if (!saved) {
            reason = "TagLib could not write the tags";
            return -1;
        }
    }
    return copy.commit(reason) ? 0 : -1;
}

} // namespace

extern "C" KLV_API int32_t klvGetTags(const char* path, KlvTags* tags) {
    if (tags == nullptr)
        return -1;
    std::memset(tags, 0, sizeof *tags);
    // Only a regular file: a pipe named like a song would hang the reader.
    if (path == nullptr || !isRegularFile(path))
        return -1;
    try {
        TagLib::FileStream stream(path, true);
        if (!stream.isOpen())
            return -1;
        const TagLib::FileRef ref(&stream, true, TagLib::AudioProperties::Fast);
        TagLib::File* file = audioFile(ref);
        if (file == nullptr)
            return -1;
        TaggedFile(*file, false).read(*tags);
        return 0;
    } catch (const std::exception&) {
        std::memset(tags, 0, sizeof *tags);
        return -1;
    }
}

extern "C" KLV_API int32_t klvSetTags(const char* path, const KlvTags* tags, char* reason) {
    giveReason(reason, "");
    if (path == nullptr || tags == nullptr) {
        giveReason(reason, "No file or no tags given");
        return -1;
    }
    std::string why;
    int32_t result = -1;
    try {
        result = setTags(path, *tags, why);
    } catch (const std::exception& error) {
        why = error.what();
        result = -1;
    }
    if (result != 0)
        giveReason(reason, why.empty() ? "The tags could not be written" : why);
    return result;
}
