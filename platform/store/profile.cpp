#include "platform/store/profile.h"

#include "platform/store/profile_parse.h"

#include <algorithm>
#include <cerrno>
#include <limits>

namespace klv::platform {

namespace profile_detail {

namespace {
constexpr std::string_view kSpaces = " \t";
}

std::string_view trim(std::string_view text) {
    const size_t first = text.find_first_not_of(kSpaces);
    if (first == std::string_view::npos)
        return {};
    const size_t last = text.find_last_not_of(kSpaces);
    return text.substr(first, last - first + 1);
}

std::string fold(std::string_view name) {
    std::string folded(trim(name));
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return folded;
}

bool opensSection(std::string_view line) {
    const size_t first = line.find_first_not_of(kSpaces);
    return first != std::string_view::npos && line[first] == '[';
}

bool isBlank(std::string_view line) {
    return line.find_first_not_of(kSpaces) == std::string_view::npos;
}

ParsedLine parseLine(std::string_view line) {
    const std::string_view text = trim(line);
    if (text.empty() || text.front() == ';')
        return {};
    if (text.front() == '[') {
        // The last "]" closes the name: song paths used as section names may contain "]".
        const size_t close = text.rfind(']');
        if (close == std::string_view::npos)
            return {};
        return {LineKind::Header, trim(text.substr(1, close - 1)), {}};
    }
    const size_t equals = text.find('=');
    if (equals == std::string_view::npos)
        return {};
    const std::string_view name = trim(text.substr(0, equals));
    if (name.empty())
        return {};
    std::string_view value = trim(text.substr(equals + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return {LineKind::Key, name, value};
}

} // namespace profile_detail

using namespace profile_detail;

bool profileNamesEqual(std::string_view a, std::string_view b) {
    return fold(a) == fold(b);
}

int32_t profileInt(std::optional<std::string_view> value, int32_t fallback) {
    if (!value || value->empty())
        return fallback;
    std::string_view text = *value;
    bool negative = false;
    if (text.front() == '-' || text.front() == '+') {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int64_t result = 0;
    constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    for (const char c : text) {
        if (c < '0' || c > '9')
            break;
        result = std::min(result * 10 + (c - '0'), kLimit);
    }
    if (negative)
        return static_cast<int32_t>(-result);
    return static_cast<int32_t>(std::min<int64_t>(result, kLimit - 1));
}

void ProfileSection::add(std::string_view name, std::string_view value) {
    if (m_index.emplace(fold(name), m_entries.size()).second)
        m_entries.emplace_back(std::string(name), std::string(value));
}

std::optional<std::string_view> ProfileSection::find(std::string_view key) const {
    const auto it = m_index.find(fold(key));
    if (it == m_index.end())
        return std::nullopt;
    return std::string_view(m_entries[it->second].second);
}

std::string ProfileSection::getString(std::string_view key, std::string_view fallback,
                                      size_t maxLength) const {
    const std::string_view value = find(key).value_or(fallback);
    return std::string(value.substr(0, maxLength));
}

int32_t ProfileSection::getInt(std::string_view key, int32_t fallback) const {
    return profileInt(find(key), fallback);
}

bool readProfileSection(const std::filesystem::path& path, std::string_view section,
                        ProfileSection& out) {
    out = ProfileSection{};
    LineReader reader(kProfileLineLimit);
    if (!reader.open(path))
        return false;
    // The keys before the first header form the section without a name (or one of spaces, as
    // the writer also puts such keys there).
    bool inSection = trim(section).empty();
    LineReader::Line line;
    while (reader.next(line)) {
        if (line.overlong) {
            // A header too long to read still ends the section before it.
            if (opensSection(line.text)) {
                if (inSection)
                    break;
            }
            continue;
        }
        const ParsedLine parsed = parseLine(line.text);
        if (parsed.kind == LineKind::Header) {
            // Only the first section of that name counts; nothing after it matters.
            if (inSection)
                break;
            inSection = profileNamesEqual(parsed.name, section);
        } else if (parsed.kind == LineKind::Key && inSection) {
            out.add(parsed.name, parsed.value);
        }
    }
    if (reader.error() != 0) {
        errno = reader.error();
        return false;
    }
    return true;
}

std::string readProfileString(const std::filesystem::path& path, std::string_view section,
                              std::string_view key, std::string_view fallback, size_t maxLength) {
    ProfileSection keys;
    readProfileSection(path, section, keys);
    return keys.getString(key, fallback, maxLength);
}

int32_t readProfileInt(const std::filesystem::path& path, std::string_view section,
                       std::string_view key, int32_t fallback) {
    ProfileSection keys;
    readProfileSection(path, section, keys);
    return keys.getInt(key, fallback);
}

} // namespace klv::platform
