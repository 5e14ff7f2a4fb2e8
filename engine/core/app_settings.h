#pragma once
// The engine's access to the settings store: the application key and the first-use hook that
// sends the store's own notices to the log.
//
// [thread-safe] Not for the output thread's block loop (the store locks and does I/O).

#include <optional>
#include <string>

namespace klv::engine {

// The store's key path of an application subkey: KLV_APP_KEY + subkey. None when subkey is
// null or the path would be longer than kMaxKeyPath characters.
constexpr size_t kMaxKeyPath = 99;
std::optional<std::string> appKeyPath(const char* subkey);

// Called before every use of the store; the first call points the store's notices at the log.
void attachStore();

} // namespace klv::engine
