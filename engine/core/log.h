#pragma once
// The engine's log, KLV3.LOG in the state folder. The first entry of a run empties the file and
// writes the header; every entry is one whole CRLF line "tick\t[delta]:\ttext". A log that
// cannot be created loses the entry silently and the next entry tries again.
//
// [thread-safe] Not for the output thread's block loop (it locks and writes a file).

#include <filesystem>

namespace klv::engine {

// printf-style; the text is cut at 4095 characters.
void logEntry(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Where the log lives.
std::filesystem::path logPath();

// Closes the file; the next entry starts a new run (empties the file, writes the header).
void closeLog();

} // namespace klv::engine
