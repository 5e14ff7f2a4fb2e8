#include "tests/support/temp_home.h"

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <system_error>

namespace klv::test {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kelvara-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(m_path, ec);
}

std::filesystem::path testHome() {
    const char* home = std::getenv("KELVARA_HOME");
    return home ? std::filesystem::path(home) : std::filesystem::path();
}

} // namespace klv::test
