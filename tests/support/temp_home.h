#pragma once
// A temporary folder that is removed with everything in it when the object goes.

#include <filesystem>

namespace klv::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// The Kelvara home of this test process ($KELVARA_HOME, made by the test main).
std::filesystem::path testHome();

} // namespace klv::test
