#pragma once
// Playlist files: PLS (a profile file with a "[playlist]" section) and text lists (M3U, .klv
// and every other extension: one path per line). Readers append to a list and leave it as it
// was when the file cannot be read; writers replace the file whole or not at all.

#include <string>
#include <string_view>
#include <vector>

namespace klv::engine {

// Reads the playlist file at path into items: changes the current directory to the file's
// folder first (lines such as "../x.mp3" are found from there), tells PLS from text by the
// file's first bytes. false with errno set when the file cannot be read.
bool readPlaylistFile(const std::string& path, std::vector<std::string>& items);

// Lines end with CR, LF or both; a line of 1..255 characters without "#" is a path, including
// a last line without a line end.
bool readTextList(const std::string& path, std::string_view folder,
                  std::vector<std::string>& items);
// Keys "File1".."FileN" of section "playlist", N from "NumberOfEntries"; missing or empty
// keys skipped, at most 254 characters of each.
bool readPlsList(const std::string& path, std::string_view folder, std::vector<std::string>& items);

// Each item's relative form followed by CR LF.
bool writeTextList(const std::string& path, std::string_view folder,
                   const std::vector<std::string>& items);
// Exactly "[playlist]", "NumberOfEntries" and "File1".."FileN".
bool writePlsList(const std::string& path, std::string_view folder,
                  const std::vector<std::string>& items);

// The path ends in ".pls", in any case.
bool isPlsName(std::string_view path);

} // namespace klv::engine
