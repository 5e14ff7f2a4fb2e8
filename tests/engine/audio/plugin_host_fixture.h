#pragma once
// Plug-in host tests load the small plug-ins built for them (tests/plugins/fixtures), which
// note their life in a log file; every test ends with the list empty.

#include "engine/audio/plugin_host.h"
#include "klv3.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace klv::test {

inline std::string testPlugin(const std::string& name) {
    return std::string(KLV_TEST_PLUGIN_DIR) + "/" + name + "_plugin.so";
}

// The plug-ins' notes, one per line.
class PluginNotes {
public:
    PluginNotes() : m_path(testHome() / "plugin-notes.log") {
        std::filesystem::remove(m_path);
        setenv("KLV_TEST_PLUGIN_LOG", m_path.c_str(), 1);
    }
    std::vector<std::string> lines() const {
        std::vector<std::string> result;
        std::ifstream in(m_path);
        for (std::string line; std::getline(in, line);)
            result.push_back(line);
        return result;
    }
    bool contains(const std::string& line) const {
        for (const std::string& l : lines())
            if (l == line)
                return true;
        return false;
    }
    // Notes of calls the host must never make.
    std::vector<std::string> faults() const {
        std::vector<std::string> result;
        for (const std::string& l : lines())
            if (l.rfind("FAULT", 0) == 0)
                result.push_back(l);
        return result;
    }

private:
    std::filesystem::path m_path;
};

// The list's paths in processing order.
inline std::vector<std::string> listedPaths(const std::vector<std::string>& candidates) {
    std::vector<std::string> order(engine::pluginCount());
    for (const std::string& path : candidates) {
        const int32_t index = klvGetPluginID(path.c_str());
        if (index >= 0 && static_cast<size_t>(index) < order.size())
            order[index] = path;
    }
    return order;
}

} // namespace klv::test
