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

}  // namespace

Server::Server(Keyboard &keyboard, std::string dir) : keyboard_(keyboard), dir_(std::move(dir)) {
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

Server::~Server() {
    stop();
    unplug();
    if (wakeFd_ >= 0) ::close(wakeFd_);
}

bool Server::start(std::string *error) {
    std::error_code ec;
    fs::create_directories(dir_ + "/dev", ec);
    fs::create_directories(dir_ + "/sys/class/hidraw", ec);
    if (!control_.listen(dir_ + "/ctl.sock") || !plug()) {
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
    for (int i = 0; i < 2; ++i) {
        listen_[i] = listenSeqpacket(dir_ + "/dev/" + kNodes[i]);
        if (listen_[i] < 0) return false;
        // The sysfs entry goes last: a node listed must already accept connections.
        if (!writeSysfsEntry(dir_ + "/sys", kNodes[i], *descriptors[i], kInterfaceNames[i])) return false;
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
    pending_.dropFor(fd);
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
    return runControlCommand(line, keyboard_, keyboardMutex_, *this);
}

void Server::run() {
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
        pending_.sendDue([](const DelayedReplies::Reply &r) {
            ::send(r.fd, r.frame.bytes.data(), r.frame.bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        });
        if (stopping_) break;

        std::vector<pollfd> fds;
        fds.push_back({wakeFd_, POLLIN, 0});
        for (int i = 0; i < 2; ++i)
            if (listen_[i] >= 0) fds.push_back({listen_[i], POLLIN, 0});
        const size_t firstClient = fds.size();
        for (int fd : clients_[0]) fds.push_back({fd, POLLIN, 0});
        for (int fd : clients_[1]) fds.push_back({fd, POLLIN, 0});
        const size_t firstControl = fds.size();
        control_.addTo(fds);

        int r = ::poll(fds.data(), fds.size(), pending_.pollTimeoutMs());
        if (r < 0 && errno != EINTR) break;
        if (r <= 0) continue;

        if (fds[0].revents & POLLIN) {
            uint64_t v;
            [[maybe_unused]] auto n = ::read(wakeFd_, &v, sizeof v);
        }
        for (size_t k = 1; k < firstClient; ++k) {
            if (!(fds[k].revents & POLLIN)) continue;
            int which = fds[k].fd == listen_[0] ? 0 : 1;
            int fd = ::accept4(fds[k].fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (fd >= 0) clients_[which].push_back(fd);
        }
        for (size_t k = firstClient; k < firstControl; ++k) {
            if (!fds[k].revents) continue;
            const int fd = fds[k].fd;
            const bool isCommand = std::find(clients_[0].begin(), clients_[0].end(), fd) != clients_[0].end();
            const bool isEvent = std::find(clients_[1].begin(), clients_[1].end(), fd) != clients_[1].end();
            if (!isCommand && !isEvent) continue;  // closed by an unplug above
            uint8_t buf[512];
            ssize_t n = ::recv(fd, buf, sizeof buf, 0);
            if (n <= 0) {
                if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
                closeClient(fd);
                continue;
            }
            if (isCommand) {
                std::optional<device::ReportFrame> reply;
                {
                    std::lock_guard lock(keyboardMutex_);
                    reply = keyboard_.receive(buf, static_cast<size_t>(n));
                }
                if (!reply) continue;
                if (delayMs_ > 0)
                    pending_.add(delayMs_, {fd, *reply});
                else
                    ::send(fd, reply->bytes.data(), reply->bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            }
            // The event interface is read-only: whatever a host sends there is ignored.
        }
        // Control commands last: an unplug closes the clients polled above.
        std::vector<pollfd> controlFds(fds.begin() + static_cast<std::ptrdiff_t>(firstControl), fds.end());
        control_.service(controlFds, [this](const std::string &line) { return execute(line); });
    }
    // Answer control requests still waiting so no caller blocks forever.
    std::lock_guard lock(requestsMutex_);
    for (auto &r : requests_) r.answer.set_value("error: stopped");
    requests_.clear();
}

}  // namespace t44::sim
