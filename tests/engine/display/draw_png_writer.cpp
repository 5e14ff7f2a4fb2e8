#include "tests/engine/display/draw_png_writer.h"

#include <array>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace klv::test {

namespace {

uint32_t crc32(const uint8_t* data, size_t size, uint32_t crc = 0) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (size_t i = 0; i < size; ++i)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void putBig32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

void chunk(std::vector<uint8_t>& file, const char* type, const std::vector<uint8_t>& data) {
    putBig32(file, static_cast<uint32_t>(data.size()));
    std::vector<uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    file.insert(file.end(), body.begin(), body.end());
    putBig32(file, crc32(body.data(), body.size()));
}

// A zlib stream of stored blocks.
std::vector<uint8_t> storedZlib(const std::vector<uint8_t>& raw) {
    std::vector<uint8_t> out = {0x78, 0x01};
    size_t at = 0;
    do {
        const size_t size = std::min<size_t>(raw.size() - at, 65535);
        const bool last = at + size == raw.size();
        out.push_back(last ? 1 : 0);
        out.push_back(static_cast<uint8_t>(size));
        out.push_back(static_cast<uint8_t>(size >> 8));
        out.push_back(static_cast<uint8_t>(~size));
        out.push_back(static_cast<uint8_t>(~size >> 8));
        out.insert(out.end(), raw.data() + at, raw.data() + at + size);
        at += size;
    } while (at < raw.size());
    uint32_t a = 1, b = 0;
    for (uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    putBig32(out, (b << 16) | a);
    return out;
}

} // namespace

bool writeSurfacePng(platform::DeviceContext dc, const std::filesystem::path& file, int32_t scale) {
    std::vector<uint8_t> raw;
    int32_t width = 0, height = 0;
    {
        platform::SurfaceLock lock(dc);
        if (!lock || scale < 1)
            return false;
        width = lock.width() * scale;
        height = lock.height() * scale;
        for (int32_t y = 0; y < height; ++y) {
            raw.push_back(0); // no filter
            const uint32_t* row = lock.pixels() + (y / scale) * lock.stride();
            for (int32_t x = 0; x < width; ++x) {
                const uint32_t p = row[x / scale];
                raw.push_back(static_cast<uint8_t>(p >> 16));
                raw.push_back(static_cast<uint8_t>(p >> 8));
                raw.push_back(static_cast<uint8_t>(p));
            }
        }
    }
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    putBig32(header, static_cast<uint32_t>(width));
    putBig32(header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0}); // 8-bit RGB, no interlace
    chunk(png, "IHDR", header);
    chunk(png, "IDAT", storedZlib(raw));
    chunk(png, "IEND", {});
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    return static_cast<bool>(out);
}

std::filesystem::path previewFolder() {
    if (const char* dir = std::getenv("KELVARA_PREVIEW_DIR"); dir && *dir)
        return dir;
    return std::filesystem::current_path() / "display-previews";
}

} // namespace klv::test
