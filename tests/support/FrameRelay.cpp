#include "support/FrameRelay.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace t44::test {
namespace {

bool address(const std::string &path, sockaddr_un &addr) {
    addr = sockaddr_un{};
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path) return false;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    return true;
}

int connectTo(const std::string &path) {
    sockaddr_un addr;
    if (!address(path, addr)) return -1;
    int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) {
        ::close(fd);
        fd = -1;
    }
    return fd;
}

}  // namespace

FrameRelay::FrameRelay(const std::string &keyboardDir) : keyboardDir_(keyboardDir) {
    namespace fs = std::filesystem;
    fs::create_directory_symlink(fs::path(keyboardDir) / "sys", fs::path(dir()) / "sys");
    fs::create_directory(fs::path(dir()) / "dev");
    fs::create_symlink(fs::path(keyboardDir) / "dev/hidraw1", fs::path(dir()) / "dev/hidraw1");
    sockaddr_un addr;
    if (!address(dir() + "/dev/hidraw0", addr)) throw std::runtime_error("relay path too long");
    listen_ = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (listen_ < 0 || ::bind(listen_, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 ||
        ::listen(listen_, 8) != 0)
        throw std::runtime_error("relay cannot listen");
    wake_ = ::eventfd(0, EFD_CLOEXEC);
    thread_ = std::thread([this] { run(); });
}

FrameRelay::~FrameRelay() {
    stop_ = true;
    uint64_t one = 1;
    [[maybe_unused]] auto n = ::write(wake_, &one, sizeof one);
    thread_.join();
    ::close(listen_);
    ::close(wake_);
}

void FrameRelay::before(size_t index, std::function<void()> action) {
    std::lock_guard lock(mutex_);
    actionAt_ = requests_ + index;
    action_ = std::move(action);
}

void FrameRelay::run() {
    struct Pair {
        int client, keyboard;
    };
    std::vector<Pair> pairs;
    auto drop = [&](size_t i) {
        ::close(pairs[i].client);
        if (pairs[i].keyboard >= 0) ::close(pairs[i].keyboard);
        pairs.erase(pairs.begin() + static_cast<long>(i));
    };
    while (!stop_) {
        std::vector<pollfd> fds = {{wake_, POLLIN, 0}, {listen_, POLLIN, 0}};
        for (const Pair &p : pairs) {
            fds.push_back({p.client, POLLIN, 0});
            fds.push_back({p.keyboard, POLLIN, 0});
        }
        if (::poll(fds.data(), fds.size(), -1) <= 0) continue;
        if (fds[1].revents & POLLIN) {
            int client = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client >= 0) {
                const int keyboard = connectTo(keyboardDir_ + "/dev/hidraw0");
                if (keyboard < 0) ::close(client);  // nothing to reach: the client sees it go
                else pairs.push_back({client, keyboard});
            }
        }
        // Walk the pairs as they stood when polled, from the back so a dropped pair
        // does not shift the ones still to be looked at.
        for (size_t i = (fds.size() - 2) / 2; i-- > 0;) {
            const pollfd &fromClient = fds[2 + 2 * i], &fromKeyboard = fds[3 + 2 * i];
            uint8_t buf[512];
            if (fromClient.revents) {
                const ssize_t n = ::recv(pairs[i].client, buf, sizeof buf, 0);
                if (n <= 0) {
                    drop(i);
                    continue;
                }
                std::function<void()> action;
                {
                    std::lock_guard lock(mutex_);
                    if (action_ && requests_ == actionAt_) action.swap(action_);
                }
                ++requests_;
                if (action) action();
                if (::send(pairs[i].keyboard, buf, static_cast<size_t>(n), MSG_NOSIGNAL) < 0) {
                    drop(i);
                    continue;
                }
            }
            if (fromKeyboard.revents) {
                const ssize_t n = ::recv(pairs[i].keyboard, buf, sizeof buf, MSG_DONTWAIT);
                if (n == 0 || (n < 0 && errno != EAGAIN)) {
                    drop(i);
                    continue;
                }
                if (n > 0) ::send(pairs[i].client, buf, static_cast<size_t>(n), MSG_NOSIGNAL);
            }
        }
    }
    for (size_t i = pairs.size(); i-- > 0;) drop(i);
}

}  // namespace t44::test
