#include "Server.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "Descriptors.h"

namespace t44::sim {
namespace fs = std::filesystem;

namespace {

const char *kNodes[2] = {"hidraw0", "hidraw1"};

int listenOn(const std::string &path) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path) return -1;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    ::unlink(path.c_str());
    int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return -1;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 || ::listen(fd, 16) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool parseNumber(const std::string &text, long &out) {
    try {
        size_t used = 0;
        out = std::stol(text, &used, 0);
        return used == text.size();
    } catch (...) {
        return false;
    }
}

}  // namespace

Server::Server(Keyboard &keyboard, std::string dir) : keyboard_(keyboard), dir_(std::move(dir)) {
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

Server::~Server() {
    stop();
    unplug();
    if (ctlListen_ >= 0) ::close(ctlListen_);
    for (int fd : ctlClients_) ::close(fd);
    std::error_code ec;
    fs::remove(dir_ + "/ctl.sock", ec);
    if (wakeFd_ >= 0) ::close(wakeFd_);
}

bool Server::start(std::string *error) {
    std::error_code ec;
    fs::create_directories(dir_ + "/dev", ec);
    fs::create_directories(dir_ + "/sys/class/hidraw", ec);
    ctlListen_ = listenOn(dir_ + "/ctl.sock");
    if (ctlListen_ < 0 || !plug()) {
        if (error) *error = "cannot create the keyboard's sockets in " + dir_ + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool Server::startThread(std::string *error) {
    if (!start(error)) return false;
    thread_ = std::thread([this] { run(); });
    return true;
}

void Server::requestStop() {
    stopping_ = true;
    wake();
}

void Server::stop() {
    requestStop();
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void Server::wake() {
    uint64_t one = 1;
    [[maybe_unused]] auto n = ::write(wakeFd_, &one, sizeof one);
}

bool Server::plug() {
    if (plugged_) return true;
    const std::vector<uint8_t> *descriptors[2] = {&commandReportDescriptor(), &eventReportDescriptor()};
    const char *names[2] = {"Halvex T44-ARC Keyboard", "Halvex T44-ARC Keyboard Consumer Control"};
    for (int i = 0; i < 2; ++i) {
        listen_[i] = listenOn(dir_ + "/dev/" + kNodes[i]);
        if (listen_[i] < 0) return false;
        // The sysfs entry goes last: a node listed must already accept connections.
        if (!writeSysfsEntry(dir_ + "/sys", kNodes[i], *descriptors[i], names[i])) return false;
    }
    plugged_ = true;
    return true;
}

void Server::unplug() {
    if (!plugged_) return;
    for (int i = 0; i < 2; ++i) {
        removeSysfsEntry(dir_ + "/sys", kNodes[i]);
        ::unlink((dir_ + "/dev/" + kNodes[i]).c_str());
        if (listen_[i] >= 0) ::close(listen_[i]);
        listen_[i] = -1;
        for (int fd : clients_[i]) ::close(fd);
        clients_[i].clear();
    }
    pending_.clear();
    plugged_ = false;
}

void Server::closeClient(int fd) {
    for (auto &list : clients_) list.erase(std::remove(list.begin(), list.end(), fd), list.end());
    pending_.erase(std::remove_if(pending_.begin(), pending_.end(), [fd](const Pending &p) { return p.fd == fd; }),
                   pending_.end());
    ::close(fd);
}

void Server::sendEvent(uint16_t code) {
    uint8_t report[3] = {kEventReportId, static_cast<uint8_t>(code & 0xFF), static_cast<uint8_t>(code >> 8)};
    for (int fd : clients_[1]) ::send(fd, report, sizeof report, MSG_NOSIGNAL | MSG_DONTWAIT);
}

std::string Server::control(const std::string &line) {
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) {
        std::future<std::string> answer;
        {
            std::lock_guard lock(requestsMutex_);
            requests_.push_back(Request{line, {}});
            answer = requests_.back().answer.get_future();
        }
        wake();
        return answer.get();
    }
    return execute(line);
}

std::string Server::execute(const std::string &line) {
    std::istringstream words(line);
    std::string cmd, a, b, c;
    words >> cmd >> a >> b >> c;
    long n = 0, m = 0;
    if (cmd == "unplug") {
        unplug();
    } else if (cmd == "plug") {
        if (!plug()) return "error: cannot plug in again";
    } else if (cmd == "drop" && parseNumber(a, n) && n >= 0) {
        std::lock_guard lock(keyboardMutex_);
        keyboard_.dropNext(static_cast<int>(n));
    } else if (cmd == "refuse" && parseNumber(a, n) && (n == 0xFF || n == 0xFE) && parseNumber(b.empty() ? "1" : b, m)) {
        std::lock_guard lock(keyboardMutex_);
        keyboard_.refuseNext(static_cast<uint8_t>(n), static_cast<int>(m));
    } else if (cmd == "delay" && parseNumber(a, n) && n >= 0) {
        delayMs_ = static_cast<int>(n);
    } else if (cmd == "event" && parseNumber(a, n) && n >= 0 && n <= 0xFFFF) {
        sendEvent(static_cast<uint16_t>(n));
    } else if (cmd == "dump" && !a.empty()) {
        std::lock_guard lock(keyboardMutex_);
        if (!keyboard_.saveState(a)) return "error: cannot write " + a;
    } else if (cmd == "poke" && parseNumber(b, n) && n >= 0 && !c.empty() && c.size() % 2 == 0) {
        std::vector<uint8_t> bytes;
        for (size_t i = 0; i < c.size(); i += 2) {
            long v;
            if (!parseNumber("0x" + c.substr(i, 2), v)) return "error: bad hex bytes";
            bytes.push_back(static_cast<uint8_t>(v));
        }
        std::lock_guard lock(keyboardMutex_);
        if (!keyboard_.poke(a, static_cast<size_t>(n), bytes)) return "error: out of range";
    } else if (cmd == "quit") {
        stopping_ = true;
    } else {
        return "error: unknown or malformed command: " + line;
    }
    return "ok";
}

void Server::run() {
    using Clock = std::chrono::steady_clock;
    while (!stopping_) {
        // Control requests from other threads of this process.
        {
            std::deque<Request> todo;
            {
                std::lock_guard lock(requestsMutex_);
                todo.swap(requests_);
            }
            for (auto &r : todo) r.answer.set_value(execute(r.line));
        }
        // Replies that are due.
        auto now = Clock::now();
        while (!pending_.empty() && pending_.front().due <= now) {
            Pending p = pending_.front();
            pending_.pop_front();
            ::send(p.fd, p.reply.bytes.data(), p.reply.bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        }
        if (stopping_) break;

        std::vector<pollfd> fds;
        fds.push_back({wakeFd_, POLLIN, 0});
        fds.push_back({ctlListen_, POLLIN, 0});
        for (int i = 0; i < 2; ++i)
            if (listen_[i] >= 0) fds.push_back({listen_[i], POLLIN, 0});
        const size_t firstClient = fds.size();
        for (int fd : clients_[0]) fds.push_back({fd, POLLIN, 0});
        for (int fd : clients_[1]) fds.push_back({fd, POLLIN, 0});
        for (int fd : ctlClients_) fds.push_back({fd, POLLIN, 0});

        int timeout = -1;
        if (!pending_.empty()) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(pending_.front().due - Clock::now());
            timeout = static_cast<int>(std::max<int64_t>(0, left.count() + 1));
        }
        int r = ::poll(fds.data(), fds.size(), timeout);
        if (r < 0 && errno != EINTR) break;
        if (r <= 0) continue;

        if (fds[0].revents & POLLIN) {
            uint64_t v;
            [[maybe_unused]] auto n = ::read(wakeFd_, &v, sizeof v);
        }
        if (fds[1].revents & POLLIN) {
            int fd = ::accept4(ctlListen_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (fd >= 0) ctlClients_.push_back(fd);
        }
        for (size_t k = 2; k < firstClient; ++k) {
            if (!(fds[k].revents & POLLIN)) continue;
            int which = fds[k].fd == listen_[0] ? 0 : 1;
            int fd = ::accept4(fds[k].fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (fd >= 0) clients_[which].push_back(fd);
        }
        for (size_t k = firstClient; k < fds.size(); ++k) {
            if (!fds[k].revents) continue;
            const int fd = fds[k].fd;
            const bool isCtl = std::find(ctlClients_.begin(), ctlClients_.end(), fd) != ctlClients_.end();
            const bool isCommand = std::find(clients_[0].begin(), clients_[0].end(), fd) != clients_[0].end();
            const bool isEvent = std::find(clients_[1].begin(), clients_[1].end(), fd) != clients_[1].end();
            if (!isCtl && !isCommand && !isEvent) continue;  // closed by an unplug above
            uint8_t buf[512];
            ssize_t n = ::recv(fd, buf, sizeof buf, 0);
            if (n <= 0) {
                if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
                if (isCtl) {
                    ctlClients_.erase(std::remove(ctlClients_.begin(), ctlClients_.end(), fd), ctlClients_.end());
                    ::close(fd);
                } else {
                    closeClient(fd);
                }
                continue;
            }
            if (isCtl) {
                std::string answer = execute(std::string(reinterpret_cast<char *>(buf), static_cast<size_t>(n)));
                ::send(fd, answer.data(), answer.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            } else if (isCommand) {
                std::optional<device::ReportFrame> reply;
                {
                    std::lock_guard lock(keyboardMutex_);
                    reply = keyboard_.receive(buf, static_cast<size_t>(n));
                }
                if (!reply) continue;
                if (delayMs_ > 0) {
                    Pending p{fd, Clock::now() + std::chrono::milliseconds(delayMs_), *reply};
                    auto at = std::upper_bound(pending_.begin(), pending_.end(), p.due,
                                               [](auto due, const Pending &q) { return due < q.due; });
                    pending_.insert(at, p);
                } else
                    ::send(fd, reply->bytes.data(), reply->bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            }
            // The event interface is read-only: whatever a host sends there is ignored.
        }
    }
    // Answer control requests still waiting so no caller blocks forever.
    std::lock_guard lock(requestsMutex_);
    for (auto &r : requests_) r.answer.set_value("error: stopped");
    requests_.clear();
}

}  // namespace t44::sim
