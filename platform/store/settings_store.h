#pragma once
// The settings store: a registry-like tree of keys holding named binary and string values,
// kept in one SQLite database (registry.db in configDir()). Key paths keep their backslashes
// and, like value names, are matched without regard to case; a trailing backslash names the
// same key. Every write is its own committed transaction, so a crash never leaves a
// half-written store. A process started with fork() opens a connection of its own.
//
// [thread-safe] All functions may be called from any thread except the audio output thread's
// block loop (they take a lock and do I/O).
//
// A store that cannot be opened or written never throws or crashes: reads report NoKey,
// writes Failed. A database file that is not a valid store is renamed aside (kept, never
// deleted) and a fresh store is started; the diagnostic sink is told.

#include "platform/platform_api.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace klv::platform {

constexpr uint32_t kHkeyClassesRoot = 0x80000000u;
constexpr uint32_t kHkeyCurrentUser = 0x80000001u;
constexpr uint32_t kHkeyLocalMachine = 0x80000002u;
constexpr uint32_t kHkeyUsers = 0x80000003u;

enum class RegType : uint32_t { String = 1, Binary = 3 };

enum class RegResult { Ok, NoKey, NoValue, Failed };

KLV_PLATFORM_API bool regKeyExists(uint32_t root, std::string_view keyPath);
// Creates the key (and nothing else) when missing.
KLV_PLATFORM_API RegResult regCreateKey(uint32_t root, std::string_view keyPath);
// Reads a value's bytes (and its type when type is not null).
KLV_PLATFORM_API RegResult regReadValue(uint32_t root, std::string_view keyPath,
                                        std::string_view name, std::vector<uint8_t>& data,
                                        RegType* type = nullptr);
// Writes a value, creating its key when needed.
KLV_PLATFORM_API RegResult regWriteValue(uint32_t root, std::string_view keyPath,
                                         std::string_view name, RegType type, const void* data,
                                         size_t size);
// NoKey when the key is missing, NoValue when the value is.
KLV_PLATFORM_API RegResult regDeleteValue(uint32_t root, std::string_view keyPath,
                                          std::string_view name);

// Closes the database; the next call opens it again in the current configDir().
KLV_PLATFORM_API void regClose();

// Receives one-line notices about the store itself (a corrupt file moved aside). The engine
// points it at its log. [thread-safe]
using DiagnosticSink = void (*)(const char* text);
KLV_PLATFORM_API void setDiagnosticSink(DiagnosticSink sink);

} // namespace klv::platform
