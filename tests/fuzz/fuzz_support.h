#pragma once
// What every fuzz target shares: a Kelvara home of its own (settings store, klv.eq, log) in a
// temporary folder, the test sound back end, and the input written to a file for the parsers
// that read files by path.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace klv::fuzz {

// Makes the temporary home and points KELVARA_HOME and KELVARA_AUDIO at it; removed at exit.
// Call from LLVMFuzzerInitialize.
void prepareHome();

// The home made by prepareHome().
const std::filesystem::path& fuzzHome();

// Writes bytes to name in the home, replacing any earlier file, and returns its path.
std::string writeInput(std::string_view name, const uint8_t* data, size_t size);

// Aborts with a message when a property the fuzzer checks does not hold, so libFuzzer keeps
// the input.
void require(bool condition, const char* what);

} // namespace klv::fuzz
