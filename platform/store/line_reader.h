#pragma once
// Reads a text file line by line in fixed-size chunks, so a file of any size (a 100 MB list,
// a binary file without a single line end) costs at most one chunk and one line's worth of
// memory. A line longer than the limit is reported as overlong with only its beginning.
//
// [thread-safe] Each reader belongs to one thread; readers share nothing.

#include "platform/platform_api.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace klv::platform {

class KLV_PLATFORM_API LineReader {
public:
    // How a line ended. A carriage return, a line feed or both in that order end one line.
    enum class End { None, Cr, Lf, CrLf };

    struct Line {
        // The line without its end; only the first maxLength bytes when overlong.
        std::string_view text;
        bool overlong = false;
        uint64_t offset = 0; // of the line's first byte in the file
        uint64_t length = 0; // whole length without the end
        End end = End::None;
    };

    explicit LineReader(size_t maxLength);
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // Opens a regular file (a directory gives EISDIR, a device or pipe EINVAL, without ever
    // blocking). false with errno set when it cannot be read.
    bool open(const std::filesystem::path& path);
    // The next line; false at the end of the file or on a read error (then error() != 0).
    // line.text stays valid until the next call.
    bool next(Line& line);
    int error() const { return m_error; }
    // The file began with a UTF-8 byte order mark, which is not part of the first line.
    bool hadBom() const { return m_hadBom; }
    // The open file's descriptor, -1 when none (for fstat by the caller).
    int fd() const { return m_fd; }

private:
    bool fill();

    size_t m_maxLength;
    int m_fd = -1;
    int m_error = 0;
    bool m_eof = false;
    bool m_hadBom = false;
    std::vector<char> m_chunk;
    size_t m_pos = 0;
    size_t m_len = 0;
    uint64_t m_chunkOffset = 0; // file offset of m_chunk[0]
    std::string m_line;
};

const char* lineEndText(LineReader::End end);

} // namespace klv::platform
