#pragma once
// A TagLib stream over an open file descriptor that keeps the first write error.
//
// TagLib's own FileStream writes through stdio and drops write errors, so a full disk in the
// middle of a save would go unnoticed. Here every read and write is checked, and after the
// first failure the stream writes nothing more; error() gives its errno.

#include <taglib/tiostream.h>

#include <string>

namespace klv::engine::tags {

class FdStream final : public TagLib::IOStream {
public:
    // fd stays owned by the caller. name: what TagLib sees as the file's name (it chooses the
    // file type by its extension).
    FdStream(int fd, std::string name);

    int error() const { return m_error; }

    TagLib::FileName name() const override;
    TagLib::ByteVector readBlock(unsigned long length) override;
    void writeBlock(const TagLib::ByteVector& data) override;
    void insert(const TagLib::ByteVector& data, unsigned long start = 0,
                unsigned long replace = 0) override;
    void removeBlock(unsigned long start = 0, unsigned long length = 0) override;
    bool readOnly() const override;
    bool isOpen() const override;
    void seek(long offset, Position p = Beginning) override;
    long tell() const override;
    long length() override;
    void truncate(long length) override;

private:
    bool readAt(long offset, char* data, size_t size);
    bool writeAt(long offset, const char* data, size_t size);
    // Moves the size bytes at from to to (either direction), in pieces.
    bool move(long from, long to, long size);

    int m_fd;
    std::string m_name;
    long m_position = 0;
    int m_error = 0;
};

} // namespace klv::engine::tags
