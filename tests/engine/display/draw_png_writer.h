#pragma once
// Writes a surface to a PNG file for a person to look at: each pixel as a square of scale x
// scale, uncompressed (stored deflate blocks), so the writer needs nothing beyond itself.

#include "platform/ui/surface.h"

#include <cstdint>
#include <filesystem>

namespace klv::test {

// false when the surface does not exist or the file cannot be written.
bool writeSurfacePng(platform::DeviceContext dc, const std::filesystem::path& file,
                     int32_t scale = 1);

// Where previews go: $KELVARA_PREVIEW_DIR, else "display-previews" in the working folder.
std::filesystem::path previewFolder();

} // namespace klv::test
