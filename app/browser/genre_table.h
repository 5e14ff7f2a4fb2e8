#pragma once
// The ID3v1 genre names by genre number, in the program's order: 0 "Blues" up to 125
// "Dance Hall", and 126 "(Unknown)" for a file whose genre is not known.

#include <QString>

#include <cstdint>

namespace klv::app {

inline constexpr int32_t kGenreCount = 127;
inline constexpr int32_t kUnknownGenre = 126;

// The name of genre number n; "(Unknown)" for any number outside 0..126.
QString genreName(int32_t n);
// The genre number whose table name is exactly name; -1 when no entry has that name.
int32_t genreIndex(const QString& name);

} // namespace klv::app
