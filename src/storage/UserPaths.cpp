#include "storage/UserPaths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace t44::storage {
namespace {

std::string home() {
    const char *h = std::getenv("HOME");
    if (h && *h) return h;
    if (const passwd *pw = ::getpwuid(::getuid())) return pw->pw_dir;
    return "/tmp";
}

std::string fromEnv(const char *name, const std::string &fallback) {
    const char *v = std::getenv(name);
    // The XDG rules ignore relative paths.
    return v && v[0] == '/' ? std::string(v) : fallback;
}

}  // namespace

std::string configHome() { return fromEnv("XDG_CONFIG_HOME", home() + "/.config"); }
std::string dataHome() { return fromEnv("XDG_DATA_HOME", home() + "/.local/share"); }

std::string runtimeDir() {
    std::string dir = fromEnv("XDG_RUNTIME_DIR", "");
    if (!dir.empty()) return dir;
    dir = "/tmp/halvex-t44-" + std::to_string(::getuid());
    ::mkdir(dir.c_str(), 0700);
    return dir;
}

std::string productSettingsFile() { return configHome() + "/" + kProductTitle + ".ini"; }

std::string appSettingsFile() {
    return configHome() + "/" + kAppRegistryKey + "/" + kProductTitle + ".ini";
}

std::string profileFolder() { return dataHome() + "/" + kProductTitle; }

bool ensureFolder(const std::string &path) {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    return std::filesystem::is_directory(path, ec);
}

}  // namespace t44::storage
