// halvex-t44-sim: the virtual keyboard.
//   halvex-t44-sim --dir DIR [--firmware N] [--profile P] [--macro-units U]
//                  [--modes 1,2,...] [--state FILE] [--frame-log FILE]
//   halvex-t44-sim --uhid [--dir DIR] [same options]
//   halvex-t44-sim ctl DIR COMMAND...

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>

#include "Control.h"
#include "Keyboard.h"
#include "Server.h"
#include "Uhid.h"

namespace {

t44::sim::Server *volatile gServer = nullptr;
t44::sim::UhidServer *volatile gUhidServer = nullptr;
volatile std::sig_atomic_t gStopRequested = 0;

// A signal that comes before the server runs is remembered and honoured once it does,
// so a keyboard stopped right after it appeared still saves its state.
void onSignal(int) {
    gStopRequested = 1;
    if (gServer) gServer->requestStop();
    if (gUhidServer) gUhidServer->requestStop();
}

int usage() {
    std::cerr << "usage: halvex-t44-sim --dir DIR [--firmware N] [--profile P] [--macro-units U]\n"
                 "                      [--modes 1,2,...] [--state FILE] [--frame-log FILE]\n"
                 "       halvex-t44-sim --uhid [--dir DIR] [the same options]\n"
                 "                      (real HID devices through /dev/uhid; DIR holds ctl.sock)\n"
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
    std::string error;
    auto answer = t44::sim::sendControlCommand(std::string(argv[2]) + "/ctl.sock", line, &error);
    if (!answer) {
        std::cerr << "halvex-t44-sim: " << error << "\n";
        return 1;
    }
    if (answer->rfind("ok", 0) == 0) return 0;
    std::cerr << "halvex-t44-sim: " << *answer << "\n";
    return 1;
}

void catchSignals() {
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

template <class S>
void serve(S &server, S *volatile &global) {
    global = &server;
    if (gStopRequested) server.requestStop();
    server.run();
    global = nullptr;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc >= 2 && std::string(argv[1]) == "ctl") return control(argc, argv);

    t44::sim::KeyboardOptions options;
    std::string dir, state, frameLog;
    bool firmwareSet = false, profileSet = false, unitsSet = false, modesSet = false;
    bool uhid = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--uhid") {
            uhid = true;
            continue;
        }
        if (i + 1 >= argc) return usage();
        const char *v = argv[++i];  // every other option takes a value
        long n = 0;
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
    }
    if (dir.empty() && !uhid) return usage();
    catchSignals();

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

    std::string error;
    if (uhid) {
        t44::sim::UhidServer server(keyboard, dir);
        if (!server.start(&error)) {
            std::cerr << "halvex-t44-sim: " << error << "\n";
            return 1;
        }
        serve(server, gUhidServer);
    } else {
        t44::sim::Server server(keyboard, dir);
        if (!server.start(&error)) {
            std::cerr << "halvex-t44-sim: " << error << "\n";
            return 1;
        }
        serve(server, gServer);
    }
    if (!state.empty() && !keyboard.saveState(state)) {
        std::cerr << "halvex-t44-sim: cannot save state to " << state << "\n";
        return 1;
    }
    return 0;
}
