#pragma once
// Paths inside playlist files: how a listed line becomes a path, how a path is written back,
// and the fix-up that lets lists written on Windows (backslashes) load here.

#include <optional>
#include <string>
#include <string_view>

namespace klv::engine {

// The playlist file's folder: up to and including its last "/"; empty without one.
std::string playlistFolder(std::string_view playlistPath);

// A listed line is taken as it stands when it starts with "/" or its third character is a
// separator ("../x", "..\x"), the latter found through the current directory; "./x" or ".\x"
// is the folder followed by the rest; anything else is the folder followed by the line.
std::string resolveListedPath(std::string_view folder, std::string_view line);

// Turns each "\" into "/" (logging "Fixed Slash" for each), then cuts the path at a carriage
// return ("Fixed CR") or line feed ("Fixed NL").
void fixUpListedPath(std::string& path);

// The item a line of a playlist file names: resolved, then fixed up. Nothing when it holds a
// zero byte or is longer than the KLV_PATH_BUFFER − 1 bytes a path is handed out in: the
// program would receive it cut short, open another file or none, and never find it in its
// list again.
std::optional<std::string> listedItem(std::string_view folder, std::string_view line);

// How an item is written into a list in folder: relative when it lies inside the folder or
// its subfolders, otherwise unchanged; reading the line back yields the item. The comparison
// keeps case: on this system "/Music/" and "/music/" are different folders, and writing one
// relative to the other would change the path read back. A relative form that would read back
// as a path taken as it stands ("CD/x.mp3", third character a separator) gets a leading "./".
std::string relativeForm(std::string_view folder, std::string_view item);

} // namespace klv::engine
