#pragma once
// The options a first start begins with, and the rule that keeps the number of lines on screen.

#include "klv3.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace klv::app {

// Clears the record and gives every field its default: text fields space-padded to their
// width without a terminator, SmallFont and Reserved1 0, WinVersion5 from the running kernel.
void assignDefaultOptions(OptionsRecord& record);

// Writes text into a fixed-width option field, padded with spaces (cut when longer).
void putOptionText(char* field, size_t width, std::string_view text);

// 1 when a kernel release such as "6.1.0-13-amd64" has a major version of 5 or more.
int32_t winVersion5FromRelease(std::string_view release);
// The same for the kernel this process runs on (0 when it cannot be asked).
int32_t systemWinVersion5();

// How many 90-pixel lines fit beside the 180 pixels of master section and margins.
int32_t maxLinesForWidth(int32_t screenWidthPx);

// The number of lines as every start leaves it: lowered to maxLines first, then raised to 2,
// so a screen too narrow for two lines still gets two.
int32_t clampNumLines(int32_t numLines, int32_t maxLines);

} // namespace klv::app
