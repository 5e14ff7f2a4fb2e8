#pragma once
// How one line of a profile file is understood; shared by the section reader and the
// whole-file editor so that both see the same keys.

#include <string>
#include <string_view>

namespace klv::platform::profile_detail {

enum class LineKind { Other, Header, Key };

struct ParsedLine {
    LineKind kind = LineKind::Other;
    std::string_view name;  // section or key name, trimmed
    std::string_view value; // key value, trimmed, surrounding quotes removed
};

std::string_view trim(std::string_view text);
// The form in which names are compared: trimmed, A..Z in lower case, other bytes as they are.
std::string fold(std::string_view name);
ParsedLine parseLine(std::string_view line);
// Whether a line (possibly only the beginning of an overlong one) opens a section.
bool opensSection(std::string_view line);
bool isBlank(std::string_view line);

} // namespace klv::platform::profile_detail
