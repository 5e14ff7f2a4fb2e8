// ID3v1 tags read from files of arbitrary bytes, written back and read again: what is read
// fits the record's fields, and writing a tag that was read changes nothing of it.

#include "klv3.h"
#include "tests/fuzz/fuzz_support.h"

#include <cstring>
#include <memory>

namespace {

using klv::fuzz::require;

void requireTerminated(const char (&field)[32]) {
    require(std::memchr(field, 0, 31) != nullptr, "a text field has at most 30 characters");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    klv::fuzz::prepareHome();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = klv::fuzz::writeInput("tagged.mp3", data, size);
    // Heap records of exactly the record's size, so a write past one is caught.
    auto tag = std::make_unique<Id3Record>();
    if (getid3(path.c_str(), tag.get()) != 0)
        return 0;
    requireTerminated(tag->title);
    requireTerminated(tag->artist);
    requireTerminated(tag->album);
    requireTerminated(tag->comment);
    require(tag->track >= 0 && tag->track <= 255, "the track is one byte");
    require(tag->genre >= -128 && tag->genre <= 127, "the genre is one signed byte");

    auto written = std::make_unique<Id3Record>(*tag);
    require(setid3(path.c_str(), written.get()) == 0, "a tag that was read can be written");
    auto again = std::make_unique<Id3Record>();
    require(getid3(path.c_str(), again.get()) == 0, "a written tag can be read");
    // Fields compare as texts: what follows a field's terminator is not part of the tag.
    require(std::strcmp(tag->title, again->title) == 0 &&
                std::strcmp(tag->artist, again->artist) == 0 &&
                std::strcmp(tag->album, again->album) == 0 &&
                std::strcmp(tag->comment, again->comment) == 0 && tag->year == again->year &&
                tag->track == again->track && tag->genre == again->genre,
            "writing a tag that was read keeps it");
    return 0;
}
