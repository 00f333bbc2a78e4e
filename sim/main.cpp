// halvex-t44-sim: the virtual keyboard.
//   halvex-t44-sim --dir DIR [--firmware N] [--profile P] [--macro-units U]
//                  [--modes 1,2,...] [--state FILE] [--frame-log FILE]
//   halvex-t44-sim ctl DIR COMMAND...

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>

#include "Keyboard.h"
#include "Server.h"

namespace {

t44::sim::Server *gServer = nullptr;

void onSignal(int) {
    if (gServer) gServer->requestStop();
}

int usage() {
    std::cerr << "usage: halvex-t44-sim --dir DIR [--firmware N] [--profile P] [--macro-units U]\n"
                 "                      [--modes 1,2,...] [--state FILE] [--frame-log FILE]\n"
                 "       halvex-t44-sim ctl DIR unplug|plug|drop N|refuse STATUS N|delay MS|\n"
                 "                              event CODE|dump FILE|poke AREA OFFSET HEX|quit\n";
    return 2;
}

bool number(const char *text, long lo, long hi, long &out) {
    char *end = nullptr;
    errno = 0;
    out = std::strtol(text, &end, 0);
    return errno == 0 && end != text && *end == '\0' && out >= lo && out <= hi;
}

int control(int argc, char **argv) {
    if (argc < 4) return usage();
    std::string line;
    for (int i = 3; i < argc; ++i) line += (i > 3 ? " " : "") + std::string(argv[i]);
    std::string path = std::string(argv[2]) + "/ctl.sock";
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path) {
        std::cerr << "halvex-t44-sim: path too long: " << path << "\n";
        return 1;
    }
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) {
        std::cerr << "halvex-t44-sim: no virtual keyboard runs in " << argv[2] << "\n";
        return 1;
    }
    ::send(fd, line.data(), line.size(), MSG_NOSIGNAL);
    char answer[512];
    ssize_t n = ::recv(fd, answer, sizeof answer - 1, 0);
    ::close(fd);
    if (n <= 0) {
        std::cerr << "halvex-t44-sim: no answer\n";
        return 1;
    }
    answer[n] = 0;
    if (std::strncmp(answer, "ok", 2) == 0) return 0;
    std::cerr << "halvex-t44-sim: " << answer << "\n";
    return 1;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc >= 2 && std::string(argv[1]) == "ctl") return control(argc, argv);

    t44::sim::KeyboardOptions options;
    std::string dir, state, frameLog;
    bool firmwareSet = false, profileSet = false, unitsSet = false, modesSet = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        const char *v = i + 1 < argc ? argv[i + 1] : nullptr;
        long n = 0;
        if (!v) return usage();
        if (a == "--dir") dir = v;
        else if (a == "--state") state = v;
        else if (a == "--frame-log") frameLog = v;
        else if (a == "--firmware" && number(v, 0, 0xFFFF, n)) options.firmware = static_cast<uint16_t>(n), firmwareSet = true;
        else if (a == "--profile" && number(v, 0, 2, n)) options.profile = static_cast<int>(n), profileSet = true;
        else if (a == "--macro-units" && number(v, 0, 255, n)) options.macroUnits = static_cast<int>(n), unitsSet = true;
        else if (a == "--modes") {
            options.modes.clear();
            std::stringstream list(v);
            std::string item;
            while (std::getline(list, item, ',')) {
                if (!number(item.c_str(), 0, 255, n)) return usage();
                options.modes.push_back(static_cast<uint8_t>(n));
            }
            if (options.modes.size() > 32) return usage();
            modesSet = true;
        } else return usage();
        ++i;
    }
    if (dir.empty()) return usage();

    t44::sim::Keyboard keyboard(options);
    if (!state.empty() && keyboard.loadState(state)) {
        // Options given on the command line win over the saved memory.
        t44::sim::Keyboard fresh(options);
        if (firmwareSet) { keyboard.info[8] = fresh.info[8]; keyboard.info[9] = fresh.info[9]; }
        if (profileSet) keyboard.info[10] = fresh.info[10];
        if (unitsSet) { keyboard.info[11] = fresh.info[11]; keyboard.macro.resize(fresh.macro.size(), 0xFF); }
        if (modesSet) std::copy(fresh.info.begin() + 12, fresh.info.end(), keyboard.info.begin() + 12);
    }
    if (!frameLog.empty() && !keyboard.openFrameLog(frameLog)) {
        std::cerr << "halvex-t44-sim: cannot open frame log " << frameLog << "\n";
        return 1;
    }

    t44::sim::Server server(keyboard, dir);
    // The handlers are in place before the interfaces appear: whoever waits for them may
    // ask the keyboard to stop at once, and it must still save its state.
    gServer = &server;
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    std::string error;
    if (!server.start(&error)) {
        std::cerr << "halvex-t44-sim: " << error << "\n";
        return 1;
    }

    server.run();
    gServer = nullptr;
    if (!state.empty() && !keyboard.saveState(state)) {
        std::cerr << "halvex-t44-sim: cannot save state to " << state << "\n";
        return 1;
    }
    return 0;
}
