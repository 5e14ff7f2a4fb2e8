#pragma once
// The program's text settings: values under the application key, one subkey per area, stored
// as their characters without a terminator. Numbers are kept as their decimal text.

#include <cstdint>
#include <string>
#include <string_view>

namespace klv::app {

// The stored text of subkey/name, up to its first zero byte. A missing value, or one longer
// than the 255-byte read buffer, gives defaultText; one that fills all 255 bytes has no zero
// byte and reads as an empty text. [any thread]
std::string getRegText(const char* subkey, const char* name, std::string_view defaultText);

// Stores text's characters (no terminator) as subkey/name. [any thread]
void setRegText(const char* subkey, const char* name, std::string_view text);

// The number a setting's text starts with, as the program reads numbers: leading blanks are
// skipped, an optional sign and the digits after it count, the rest is ignored; 0 when the
// text does not start with a number. Values beyond 32 bits saturate.
int32_t numericValue(std::string_view text);

} // namespace klv::app
