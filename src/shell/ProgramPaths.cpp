#include "shell/ProgramPaths.h"

#include <unistd.h>

#include <filesystem>
#include <mutex>

namespace t44::shell {
namespace {

std::mutex gMutex;
ProgramPaths gPaths;
bool gInitialised = false;

std::string withSlash(std::string dir) {
    if (dir.empty() || dir.back() != '/') dir += '/';
    return dir;
}

ProgramPaths fromExecutable(const std::string &exe) {
    namespace fs = std::filesystem;
    ProgramPaths p;
    fs::path path(exe);
    p.exeName = path.filename().string();
    p.programDir = withSlash(path.parent_path().string());
    std::error_code ec;
    const bool beside = fs::exists(p.programDir + "Lang0409.ini", ec) || fs::exists(p.programDir + "Skins", ec);
    const std::string installed = p.programDir + "../share/halvex-t44/";
    p.dataDir = !beside && fs::exists(installed, ec) ? installed : p.programDir;
    return p;
}

}  // namespace

void initProgramPaths(const char *argv0) {
    std::string exe;
    char buf[4096];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n > 0) exe.assign(buf, static_cast<size_t>(n));
    else if (argv0) exe = std::filesystem::absolute(argv0).string();
    std::lock_guard lock(gMutex);
    gPaths = fromExecutable(exe);
    gInitialised = true;
}

void setProgramDir(const std::string &dir) {
    std::lock_guard lock(gMutex);
    gPaths.programDir = gPaths.dataDir = withSlash(dir);
    gInitialised = true;
}

const ProgramPaths &programPaths() {
    {
        std::lock_guard lock(gMutex);
        if (gInitialised) return gPaths;
    }
    initProgramPaths();
    return gPaths;
}

}  // namespace t44::shell
