#include "support/VirtualKeyboard.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "device/Protocol.h"

namespace t44::test {

TempDir::TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "t44-test-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::vector<std::string> readLines(const std::string &path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> requestsIn(const std::string &frameLogPath) {
    std::vector<std::string> out;
    for (auto &line : readLines(frameLogPath))
        if (line.rfind("> ", 0) == 0) out.push_back(line.substr(2));
    return out;
}

bool connectCommandLink(const std::string &dir) {
    auto &link = device::commandLink();
    link.setRoots(device::HidRoots::virtualDir(dir));
    bool ok = device::findKeyboardInterface(link, device::KeyboardInterface::Command);
    device::connected = ok;
    return ok;
}

void disconnectCommandLink() {
    device::connected = false;
    device::commandLink().close();
}

InProcessKeyboard::InProcessKeyboard(const sim::KeyboardOptions &options) : keyboard_(options) {
    keyboard_.openFrameLog(frameLog());
    server_ = std::make_unique<sim::Server>(keyboard_, tmp_.path());
    std::string error;
    if (!server_->startThread(&error)) throw std::runtime_error(error);
}

InProcessKeyboard::~InProcessKeyboard() {
    disconnectCommandLink();
    server_.reset();
    keyboard_.closeFrameLog();
}

void InProcessKeyboard::clearFrameLog() {
    server_->withKeyboard([&](sim::Keyboard &k) {
        k.closeFrameLog();
        std::ofstream(frameLog(), std::ios::trunc);
        k.openFrameLog(frameLog());
        return 0;
    });
}

namespace {
pid_t spawn(const std::vector<std::string> &argv, int outFd, int errFd) {
    pid_t pid = ::fork();
    if (pid == 0) {
        if (outFd >= 0) ::dup2(outFd, 1);
        if (errFd >= 0) ::dup2(errFd, 2);
        std::vector<char *> args;
        for (auto &a : argv) args.push_back(const_cast<char *>(a.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    return pid;
}
}  // namespace

SimProcess::SimProcess(std::vector<std::string> extraArgs) {
    std::vector<std::string> argv = {T44_SIM_EXE, "--dir", tmp_.path(), "--frame-log", frameLog()};
    argv.insert(argv.end(), extraArgs.begin(), extraArgs.end());
    pid_ = spawn(argv, -1, -1);
    const std::string sock = tmp_ / "sys/class/hidraw/hidraw1/device/uevent";
    if (!waitFor([&] { return ::access(sock.c_str(), F_OK) == 0; }, std::chrono::seconds(10)))
        throw std::runtime_error("virtual keyboard did not start");
}

SimProcess::~SimProcess() { stop(); }

int SimProcess::stop() {
    if (pid_ <= 0) return -1;
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool SimProcess::ctl(const std::string &line) const {
    std::vector<std::string> argv = {T44_SIM_EXE, "ctl", tmp_.path()};
    size_t start = 0;
    while (start < line.size()) {
        size_t end = line.find(' ', start);
        if (end == std::string::npos) end = line.size();
        if (end > start) argv.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    return runProgram(argv).exitCode == 0;
}

RunResult runProgram(const std::vector<std::string> &argv, std::chrono::milliseconds limit) {
    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) return {};
    pid_t pid = spawn(argv, out[1], err[1]);
    ::close(out[1]);
    ::close(err[1]);
    RunResult r;
    auto end = std::chrono::steady_clock::now() + limit;
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    int open = 2;
    while (open > 0 && std::chrono::steady_clock::now() < end) {
        if (::poll(fds, 2, 100) <= 0) continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !fds[i].revents) continue;
            char buf[4096];
            ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
            if (n <= 0) {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            } else {
                (i == 0 ? r.out : r.err).append(buf, static_cast<size_t>(n));
            }
        }
    }
    for (auto &f : fds)
        if (f.fd >= 0) ::close(f.fd);
    if (open > 0) ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

}  // namespace t44::test
