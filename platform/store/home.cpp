#include "platform/store/home.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace klv::platform {
namespace {

// An unset or empty variable counts as unset. XDG folders must be absolute; a relative one is
// ignored as the base directory rules ask.
fs::path absoluteEnv(const char* name) {
    const char* value = std::getenv(name);
    if (!value || !*value)
        return {};
    fs::path path(value);
    return path.is_absolute() ? path : fs::path();
}

fs::path userHome() {
    if (fs::path home = absoluteEnv("HOME"); !home.empty())
        return home;
    passwd entry{};
    passwd* found = nullptr;
    std::string buffer(16384, '\0');
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir && *found->pw_dir)
        return found->pw_dir;
    // Nowhere better to go: the working folder at least keeps the settings somewhere.
    return fs::path(".");
}

// A folder that cannot be made (read-only disk, a file in the way) is still returned: the
// caller's open then fails and reports that in its own terms.
fs::path ensureDir(fs::path dir) {
    std::error_code ec;
    fs::create_directories(dir, ec);
    return dir;
}

fs::path homeOverride() {
    const char* value = std::getenv("KELVARA_HOME");
    return (value && *value) ? fs::path(value) : fs::path();
}

fs::path xdgDir(const char* variable, const char* fallbackUnderHome) {
    if (fs::path base = absoluteEnv(variable); !base.empty())
        return base;
    return userHome() / fallbackUnderHome;
}

} // namespace

fs::path configDir() {
    if (fs::path home = homeOverride(); !home.empty())
        return ensureDir(home);
    return ensureDir(xdgDir("XDG_CONFIG_HOME", ".config") / "kelvara");
}

fs::path stateDir() {
    if (fs::path home = homeOverride(); !home.empty())
        return ensureDir(home);
    return ensureDir(xdgDir("XDG_STATE_HOME", ".local/state") / "kelvara");
}

fs::path recordingsDir() {
    if (fs::path home = homeOverride(); !home.empty())
        return ensureDir(home);
    return ensureDir(xdgDir("XDG_DATA_HOME", ".local/share") / "kelvara" / "recordings");
}

fs::path programDir() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec || exe.empty())
        return fs::current_path(ec);
    return exe.parent_path();
}

} // namespace klv::platform
