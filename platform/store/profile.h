#pragma once
// Profile (INI) files with the semantics of the Windows private-profile functions, for PLS
// playlists and the song equalizer file klv.eq.
//
// Reading: "[section]" lines open a section, "name=value" lines are keys; section and key
// names (also those asked for) are compared without regard to surrounding spaces and the case
// of A..Z; values are trimmed of surrounding spaces and tabs, and a value's matching
// surrounding quotes ("..." or '...') are removed. When a section or a key occurs twice, the
// first one counts. Lines end with CR, LF or CR LF; a leading UTF-8 byte order mark is
// ignored. Lines longer than kProfileLineLimit bytes are never parsed (memory stays bounded
// for any file) but survive a rewrite.
//
// Writing: the whole file is rewritten through a temporary file and a rename, so a failed
// write (full disk, read-only folder) leaves the old file as it was. Every other line keeps
// its bytes and its line end; a key's line is replaced in place or added at the end of its
// section, a missing section is added at the end of the file; written lines are "name=value"
// ending in CR LF.
//
// [thread-safe] The functions share nothing; two writers of the same file at the same time
// each rewrite the whole file and the last rename wins.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/platform_api.h"
#include "platform/store/line_reader.h"

namespace klv::platform {

class ReplacingFile;

constexpr size_t kProfileLineLimit = 16384;

// Section and key names: equal without regard to surrounding spaces and the case of A..Z.
KLV_PLATFORM_API bool profileNamesEqual(std::string_view a, std::string_view b);

// An integer value read like GetPrivateProfileInt: an optional sign and the digits that
// follow (saturated to 32 bits); anything else gives 0; an empty or missing value gives
// fallback.
KLV_PLATFORM_API int32_t profileInt(std::optional<std::string_view> value, int32_t fallback);

// The keys of one section, read without keeping the rest of the file.
class KLV_PLATFORM_API ProfileSection {
public:
    // The value of key (trimmed, quotes removed), or nothing when the key is missing.
    std::optional<std::string_view> find(std::string_view key) const;
    // At most maxLength bytes of the value, or fallback when the key is missing.
    std::string getString(std::string_view key, std::string_view fallback, size_t maxLength) const;
    int32_t getInt(std::string_view key, int32_t fallback) const;
    // The keys in file order, names as written; a repeated name is left out.
    const std::vector<std::pair<std::string, std::string>>& entries() const { return m_entries; }

    void add(std::string_view name, std::string_view value);

private:
    std::vector<std::pair<std::string, std::string>> m_entries;
    std::unordered_map<std::string, size_t> m_index; // folded name -> entry
};

// Reads the first section named section (the empty name: the keys before the first section).
// false with errno set when the file cannot be read; a missing section gives no keys.
KLV_PLATFORM_API bool readProfileSection(const std::filesystem::path& path,
                                         std::string_view section, ProfileSection& out);

// GetPrivateProfileString / GetPrivateProfileInt: a file that cannot be read behaves as empty.
KLV_PLATFORM_API std::string readProfileString(const std::filesystem::path& path,
                                               std::string_view section, std::string_view key,
                                               std::string_view fallback, size_t maxLength);
KLV_PLATFORM_API int32_t readProfileInt(const std::filesystem::path& path, std::string_view section,
                                        std::string_view key, int32_t fallback);

// A whole profile file in memory: load once, look up and set many keys, save once.
class KLV_PLATFORM_API ProfileFile {
public:
    // Reads path; a missing file is an empty profile. false with errno set otherwise.
    bool load(const std::filesystem::path& path);

    std::optional<std::string_view> find(std::string_view section, std::string_view key) const;
    std::string getString(std::string_view section, std::string_view key, std::string_view fallback,
                          size_t maxLength) const;
    int32_t getInt(std::string_view section, std::string_view key, int32_t fallback) const;

    // Sets key=value in section (see the header comment for where the line goes). Names are
    // trimmed and should not contain line ends or "="; a value ends at its first line end.
    void set(std::string_view section, std::string_view key, std::string_view value);

    // Rewrites path with the profile's lines. false with errno set on failure, the old file
    // then unchanged. Lines too long to be parsed are copied from the loaded file; if that file
    // changed in between, the save fails with ESTALE rather than lose them.
    bool save(const std::filesystem::path& path) const;

private:
    struct Line {
        std::string text; // without its end; empty when overlong
        LineReader::End end = LineReader::End::CrLf;
        bool overlong = false;
        uint64_t offset = 0; // of an overlong line in the loaded file
        uint64_t length = 0;
    };
    struct Section {
        std::string name;
        bool findable = true;    // false for a header too long to read
        std::vector<Line> lines; // lines[0] is the header, except for the lead-in section
        std::unordered_map<std::string, size_t> keys; // folded key name -> first line
    };
    struct Source {
        uint64_t device = 0, inode = 0, size = 0;
        int64_t modifiedNs = 0;
    };

    Section* findSection(std::string_view name);
    const Section* findSection(std::string_view name) const;
    Section& addSection(std::string_view name, bool findable, bool withHeader);
    void indexKey(Section& section, size_t lineIndex);
    bool copyOverlong(ReplacingFile& out) const;

    std::vector<Section> m_sections; // m_sections[0]: the lines before the first header
    std::unordered_map<std::string, size_t> m_sectionIndex; // folded name -> first section
    bool m_hadBom = false;
    bool m_hasOverlong = false;
    std::filesystem::path m_source;
    Source m_sourceId;
};

// WritePrivateProfileString for one key, and for several keys of one section in one rewrite.
// false with errno set on failure, the old file then unchanged; a section or key name with a
// line end in it fails with EINVAL.
KLV_PLATFORM_API bool writeProfileString(const std::filesystem::path& path,
                                         std::string_view section, std::string_view key,
                                         std::string_view value);
KLV_PLATFORM_API bool
writeProfileStrings(const std::filesystem::path& path, std::string_view section,
                    const std::vector<std::pair<std::string, std::string>>& keys);

} // namespace klv::platform
