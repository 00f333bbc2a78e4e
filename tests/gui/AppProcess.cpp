#include "AppProcess.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>

extern char **environ;

namespace t44::test {
namespace {

pid_t spawnWithEnvironment(const std::vector<std::string> &argv, const std::vector<std::string> &env) {
    std::vector<char *> args, envp;
    for (auto &a : argv) args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    for (auto &e : env) envp.push_back(const_cast<char *>(e.c_str()));
    envp.push_back(nullptr);
    pid_t pid = ::fork();
    if (pid == 0) {
        ::execve(args[0], args.data(), envp.data());
        ::_exit(127);
    }
    return pid;
}

}  // namespace

AppSession::AppSession() {
    namespace fs = std::filesystem;
    fs::create_directories(runtimeDir());
    ::chmod(runtimeDir().c_str(), 0700);
    fs::create_directories(configDir());
    fs::create_directories(tmp_ / "data");
}

std::vector<std::string> AppSession::environment() const {
    const char *own[] = {"XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "HALVEX_T44_LOG",
                         "HALVEX_T44_VIRTUAL", "QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"};
    std::vector<std::string> env;
    for (char **e = environ; *e; ++e) {
        std::string entry = *e;
        bool replaced = false;
        for (const char *name : own)
            if (entry.rfind(std::string(name) + "=", 0) == 0) replaced = true;
        if (!replaced) env.push_back(entry);
    }
    env.push_back("XDG_RUNTIME_DIR=" + runtimeDir());
    env.push_back("XDG_CONFIG_HOME=" + configDir());
    env.push_back("XDG_DATA_HOME=" + (tmp_ / "data"));
    env.push_back("HALVEX_T44_LOG=" + logPath());
    env.push_back("QT_QPA_PLATFORM=offscreen");
    return env;
}

std::vector<LogLine> AppSession::log() const {
    std::vector<LogLine> out;
    for (const std::string &line : readLines(logPath())) {
        std::istringstream in(line);
        LogLine l;
        if (!(in >> l.ms >> l.pid)) continue;
        std::getline(in, l.text);
        if (!l.text.empty() && l.text[0] == ' ') l.text.erase(0, 1);
        out.push_back(l);
    }
    return out;
}

std::vector<std::string> AppSession::texts(pid_t pid, const std::string &prefix) const {
    std::vector<std::string> out;
    for (auto &l : log())
        if ((pid == 0 || l.pid == pid) && l.text.rfind(prefix, 0) == 0) out.push_back(l.text);
    return out;
}

size_t AppSession::count(pid_t pid, const std::string &text) const {
    size_t n = 0;
    for (auto &t : texts(pid))
        if (t == text) ++n;
    return n;
}

bool AppSession::waitForLine(pid_t pid, const std::string &text, size_t times,
                             std::chrono::milliseconds limit) const {
    return waitFor([&] { return count(pid, text) >= times; }, limit);
}

std::optional<LogLine> AppSession::first(pid_t pid, const std::string &text) const {
    for (auto &l : log())
        if ((pid == 0 || l.pid == pid) && l.text == text) return l;
    return std::nullopt;
}

AppProcess::AppProcess(const AppSession &session, std::vector<std::string> args, std::string exe) {
    args.insert(args.begin(), exe);
    pid_ = spawnWithEnvironment(args, session.environment());
}

AppProcess::~AppProcess() {
    if (running()) {
        signal(SIGTERM);
        if (wait() == -1 && running()) {
            signal(SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
}

bool AppProcess::running() {
    if (pid_ <= 0 || status_ != -1) return false;
    int status = 0;
    pid_t r = ::waitpid(pid_, &status, WNOHANG);
    if (r == pid_) {
        status_ = status;
        return false;
    }
    return r == 0;
}

int AppProcess::wait(std::chrono::milliseconds limit) {
    waitFor([&] { return !running(); }, limit);
    if (status_ == -1) return -1;
    return WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
}

void AppProcess::signal(int sig) {
    if (running()) ::kill(pid_, sig);
}

int runApp(const AppSession &session, std::vector<std::string> args, std::chrono::milliseconds limit) {
    AppProcess p(session, std::move(args));
    const int code = p.wait(limit);
    return code;
}

}  // namespace t44::test
