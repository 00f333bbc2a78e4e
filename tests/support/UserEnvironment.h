#pragma once
// A private per-user environment for tests of settings and language texts: the XDG
// configuration and data folders point into a temporary folder, the locale is only what
// the test sets, and the program folder holds the built language files. Everything is
// restored when the object goes.

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "support/VirtualKeyboard.h"
#include "shell/ProgramPaths.h"

namespace t44::test {

class UserEnvironment {
public:
    explicit UserEnvironment(const std::string &locale = "en_US.UTF-8",
                             const std::string &programDir = T44_BINARY_DIR) {
        for (const char *name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "LANG", "LC_ALL", "LC_MESSAGES"}) {
            const char *v = std::getenv(name);
            saved_.push_back({name, v ? std::optional<std::string>(v) : std::nullopt});
        }
        savedProgramDir_ = shell::programPaths().programDir;
        ::setenv("XDG_CONFIG_HOME", (tmp_ / "config").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (tmp_ / "data").c_str(), 1);
        ::unsetenv("LC_ALL");
        ::unsetenv("LC_MESSAGES");
        setLocale(locale);
        shell::setProgramDir(programDir);
    }
    ~UserEnvironment() {
        for (const auto &[name, value] : saved_) {
            if (value) ::setenv(name.c_str(), value->c_str(), 1);
            else ::unsetenv(name.c_str());
        }
        shell::setProgramDir(savedProgramDir_);
    }
    UserEnvironment(const UserEnvironment &) = delete;
    UserEnvironment &operator=(const UserEnvironment &) = delete;

    void setLocale(const std::string &lang) { ::setenv("LANG", lang.c_str(), 1); }
    const TempDir &dir() const { return tmp_; }
    std::string configHome() const { return tmp_ / "config"; }
    std::string dataHome() const { return tmp_ / "data"; }

private:
    TempDir tmp_;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
    std::string savedProgramDir_;
};

}  // namespace t44::test
