#pragma once
// Text and path helpers shared by the program's windows. Paths use "/" as their separator.

#include <QString>

#include <cstddef>

namespace klv::app {

// Keeps what stands before the first zero character; a text without one becomes empty (it
// is a buffer the engine never finished filling).
void cutAtNul(QString& text);
// Before the first zero character when there is one; otherwise the text with spaces removed
// at both ends.
QString cutOrTrim(const QString& text);
// A text the engine wrote into a buffer of size bytes: UTF-8 up to the first zero byte, never
// past size (a buffer without a zero byte gives the empty text, as cutAtNul does).
QString fromEngineBuffer(const char* buffer, size_t size);

// The folder a path lies in: one trailing "/" is dropped first, then everything before the
// last "/". A path without "/" is returned whole; the parent of a folder directly below the
// root, and of the root itself, is the root "/".
QString folderOf(const QString& path);
// Everything after the last "/"; a path without "/" is returned whole.
QString fileNameOf(const QString& path);

} // namespace klv::app
