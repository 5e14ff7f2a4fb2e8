#pragma once
// Small helpers shared by the engine core tests.

#include "klv3.h"
#include "platform/ui/window_system.h"
#include "tests/doubles/headless_window_system.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace klv::test {

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// A headless window system registered for the lifetime of the object.
class ScopedWindowSystem {
public:
    ScopedWindowSystem() { platform::setWindowSystem(&m_system); }
    ~ScopedWindowSystem() { platform::setWindowSystem(nullptr); }
    ScopedWindowSystem(const ScopedWindowSystem&) = delete;
    ScopedWindowSystem& operator=(const ScopedWindowSystem&) = delete;
    platform::HeadlessWindowSystem* operator->() { return &m_system; }
    platform::HeadlessWindowSystem& get() { return m_system; }

    // The texts of the user messages posted so far, and of the boxes shown.
    std::vector<std::string> userMessages() const {
        std::vector<std::string> texts;
        for (const auto& message : m_system.messages()) {
            if (message.msg == KLV_MSG_USER_MESSAGE)
                texts.push_back(message.text);
        }
        return texts;
    }
    std::vector<std::string> boxes() const {
        std::vector<std::string> texts;
        for (const auto& box : m_system.boxes())
            texts.push_back(box.text);
        return texts;
    }

private:
    platform::HeadlessWindowSystem m_system;
};

} // namespace klv::test
