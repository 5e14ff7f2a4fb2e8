#pragma once
// Cutting formatted text to a byte limit without splitting a UTF-8 character, so that a cut
// text handed to the window system is still valid UTF-8.

#include <cstddef>

namespace klv::engine {

// text holds length bytes that were cut from a longer text. Returns the length of the longest
// prefix that does not end inside a multi-byte character. At most three bytes are dropped, so
// text that is not UTF-8 at all loses no more than that.
inline size_t utf8CutLength(const char* text, size_t length) {
    size_t lead = length;
    int continuation = 0;
    while (lead > 0 && continuation < 3 &&
           (static_cast<unsigned char>(text[lead - 1]) & 0xC0) == 0x80) {
        --lead;
        ++continuation;
    }
    if (lead == 0)
        return length;
    const unsigned char first = static_cast<unsigned char>(text[lead - 1]);
    size_t needed = 0;
    if ((first & 0xE0) == 0xC0)
        needed = 2;
    else if ((first & 0xF0) == 0xE0)
        needed = 3;
    else if ((first & 0xF8) == 0xF0)
        needed = 4;
    else
        return length; // ASCII or a stray byte: nothing is split
    const size_t have = length - (lead - 1);
    return have < needed ? lead - 1 : length;
}

} // namespace klv::engine
