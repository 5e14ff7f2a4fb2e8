#include "engine/core/log.h"

#include "engine/core/utf8_cut.h"
#include "platform/store/home.h"
#include "platform/system/clock.h"
#include "platform/system/file_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace klv::engine {

namespace {

constexpr size_t kTextLimit = 4095;
// Tick and delta are at most ten digits each, plus the tabs, brackets and CR LF.
constexpr size_t kLineExtra = 32;

std::mutex g_mutex;
int g_fd = -1;           // guarded by g_mutex
uint32_t g_previous = 0; // tick of the previous entry, guarded by g_mutex

// Opens the log of this run, emptying what an earlier run left. Caller holds g_mutex.
bool openLog(uint32_t tick) {
    const std::string path = logPath().string();
    g_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (g_fd < 0)
        return false;
    char header[128];
    // The tick wraps after 49.7 days; printed unsigned it never turns negative.
    const int n = std::snprintf(header, sizeof(header),
                                "\r\n*******************************************************"
                                "\r\n%u\tLogging Started\r\n",
                                tick);
    platform::writeAll(g_fd, header, static_cast<size_t>(n));
    g_previous = tick;
    return true;
}

} // namespace

std::filesystem::path logPath() {
    return platform::stateDir() / "KLV3.LOG";
}

void logEntry(const char* format, ...) {
    char text[kTextLimit + 1];
    va_list args;
    va_start(args, format);
    const int wanted = std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    if (wanted < 0)
        return;
    size_t length = static_cast<size_t>(wanted);
    if (length > kTextLimit)
        length = utf8CutLength(text, kTextLimit);

    std::lock_guard lock(g_mutex);
    const uint32_t tick = platform::tickCount();
    if (g_fd < 0 && !openLog(tick))
        return;
    char line[kTextLimit + kLineExtra];
    // Unsigned subtraction gives the right delta across the tick's wrap.
    const int prefix = std::snprintf(line, sizeof(line), "%u\t[%u]:\t", tick, tick - g_previous);
    std::memcpy(line + prefix, text, length);
    size_t size = static_cast<size_t>(prefix) + length;
    line[size++] = '\r';
    line[size++] = '\n';
    // One write per line, so a reader of the file never sees half a line; on a full disk the
    // rest of the line is lost.
    platform::writeAll(g_fd, line, size);
    g_previous = tick;
}

void closeLog() {
    std::lock_guard lock(g_mutex);
    if (g_fd >= 0)
        ::close(g_fd);
    g_fd = -1;
}

} // namespace klv::engine
