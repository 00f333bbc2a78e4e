#pragma once
// Paths derived from the executable's own location. The data that ships with the
// program (language files, Skins/, Help/) sits beside the executable in a build tree,
// or in ../share/halvex-t44/ of an installed prefix.

#include <string>

namespace t44::shell {

struct ProgramPaths {
    std::string exeName;     // file name of the executable, no folder
    std::string programDir;  // folder of the executable, with a trailing '/'
    std::string dataDir;     // folder of the shipped data, with a trailing '/'

    std::string data(const std::string &relative) const { return dataDir + relative; }
    std::string program(const std::string &relative) const { return programDir + relative; }
};

// Builds the paths from /proc/self/exe (or argv0 when that cannot be read).
void initProgramPaths(const char *argv0 = nullptr);
// Uses `dir` for both the program and the data folder (tests, tools).
void setProgramDir(const std::string &dir);
const ProgramPaths &programPaths();

}  // namespace t44::shell
