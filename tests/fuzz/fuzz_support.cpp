#include "tests/fuzz/fuzz_support.h"

#include "tests/doubles/wave_test_backend.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <system_error>

namespace klv::fuzz {

namespace {

std::filesystem::path g_home;

void removeHome() {
    std::error_code ignored;
    std::filesystem::remove_all(g_home, ignored);
}

} // namespace

void prepareHome() {
    if (!g_home.empty())
        return;
    std::string pattern = (std::filesystem::temp_directory_path() / "klv-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("klv fuzz: cannot make a temporary home");
        std::abort();
    }
    g_home = pattern;
    ::setenv("KELVARA_HOME", pattern.c_str(), 1);
    ::setenv("KELVARA_AUDIO", "test", 1);
    platform::wavetest::install();
    std::atexit(removeHome);
}

const std::filesystem::path& fuzzHome() {
    return g_home;
}

std::string writeInput(std::string_view name, const uint8_t* data, size_t size) {
    const std::string path = (g_home / name).string();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    require(fd >= 0, "the input file can be written");
    size_t done = 0;
    while (done < size) {
        const ssize_t wrote = ::write(fd, data + done, size - done);
        require(wrote > 0, "the input file can be written");
        done += static_cast<size_t>(wrote);
    }
    ::close(fd);
    return path;
}

void require(bool condition, const char* what) {
    if (condition)
        return;
    std::fprintf(stderr, "klv fuzz: property does not hold: %s\n", what);
    std::abort();
}

} // namespace klv::fuzz
