// protocol_checks: one table of protocol and link checks, run against whichever HID tree
// it is pointed at: the virtual keyboard's socket transport (an emulator test) or real
// hidraw nodes that the virtual keyboard created through uhid (the kernel test, inside
// a virtual machine). It drives the keyboard through its control socket and reads its
// frame log, so both runs check the very same frames.
//
//   protocol_checks --sysfs DIR --dev DIR --control SOCKET --frame-log FILE [--only TEXT]
//
// Prints one line per check and then "N passed, M failed"; exits 0 only when all passed.
// Add a row to kChecks to check something more on both transports.

#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "Control.h"
#include "Descriptors.h"
#include "Keyboard.h"
#include "device/DeviceLink.h"
#include "device/Protocol.h"
#include "support/VirtualKeyboard.h"  // waitFor only: this program links no test support

using namespace t44;
using namespace t44::device;
using namespace std::chrono_literals;

namespace {

int gPassed = 0, gFailed = 0;

struct Env {
    HidRoots roots;
    std::string controlSocket;
    std::string frameLog;

    // Sends a control command; the answer, or "error: ..." when the keyboard did not take it.
    std::string control(const std::string &line) const {
        std::string error;
        auto answer = sim::sendControlCommand(controlSocket, line, &error);
        return answer ? *answer : "error: " + error;
    }
    std::vector<std::string> logLines() const {
        std::ifstream in(frameLog);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    size_t mark() const { return logLines().size(); }
    // The requests the keyboard received since `mark`, as 128 hex digits each.
    std::vector<std::string> requestsSince(size_t mark) const {
        std::vector<std::string> out;
        auto lines = logLines();
        for (size_t i = mark; i < lines.size(); ++i)
            if (lines[i].rfind("> ", 0) == 0) out.push_back(lines[i].substr(2));
        return out;
    }
};

// What one check found wrong.
struct Outcome {
    std::vector<std::string> failures;
    bool expect(bool ok, const char *what, int line) {
        if (!ok) failures.push_back("line " + std::to_string(line) + ": " + what);
        return ok;
    }
};

#define EXPECT(cond) o.expect((cond), #cond, __LINE__)
#define REQUIRE(cond)                               \
    do {                                            \
        if (!o.expect((cond), #cond, __LINE__)) return; \
    } while (0)

// Command, length and offset of a logged request, as hex text ("0A380000").
std::string header(const std::string &request) { return request.substr(6, 8); }

std::vector<std::string> headersSince(const Env &env, size_t mark) {
    std::vector<std::string> out;
    for (auto &r : env.requestsSince(mark)) out.push_back(header(r));
    return out;
}

std::vector<uint8_t> fileBytes(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The scheduler state of one thread of this process ('S' while it sleeps in a call).
char threadState(long tid) {
    std::ifstream in("/proc/self/task/" + std::to_string(tid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto close = stat.rfind(')');
    return close == std::string::npos || close + 2 >= stat.size() ? '?' : stat[close + 2];
}

// Joins a thread that should have ended; one that hangs ends the whole run as a failure
// rather than blocking it for ever.
void joinWithin(std::thread &t, const std::atomic<bool> &done, const char *what) {
    if (!test::waitFor([&] { return done.load(); }, 10s)) {
        std::printf("FAIL %s: a thread did not return; giving up\n%d passed, %d failed\n", what, gPassed, gFailed + 1);
        std::fflush(stdout);
        std::_Exit(1);
    }
    t.join();
}

// Opens `link` on one of the keyboard's interfaces, waiting for it to appear: the kernel
// adds the two interfaces of a keyboard just plugged in one after the other.
bool findWithin(DeviceLink &link, KeyboardInterface which, std::chrono::milliseconds limit = 10s) {
    return test::waitFor([&] { return findKeyboardInterface(link, which); }, limit);
}

bool connectKeyboard(const Env &env, std::chrono::milliseconds limit) {
    commandLink().setRoots(env.roots);
    bool ok = findWithin(commandLink(), KeyboardInterface::Command, limit);
    connected = ok;
    return ok;
}

// --- the checks -------------------------------------------------------------------

void interfacesAreFound(Env &env, Outcome &o) {
    DeviceLink command(env.roots), event(env.roots);
    REQUIRE(findWithin(command, KeyboardInterface::Command));
    EXPECT(command.attributes().VendorID == kVendorId);
    EXPECT(command.attributes().ProductID == kProductId);
    EXPECT(command.caps().UsagePage == 0xFF1C);
    EXPECT(command.caps().Usage == 0x0092);
    EXPECT(command.caps().InputReportByteLength == 64);
    EXPECT(command.caps().OutputReportByteLength == 64);
    const std::string node = DeviceLink::nodeName(command.devicePath());
    EXPECT(fileBytes(env.roots.sysfs + "/class/hidraw/" + node + "/device/report_descriptor") ==
           sim::commandReportDescriptor());

    REQUIRE(findWithin(event, KeyboardInterface::Event));
    EXPECT(event.caps().UsagePage == 0x000C);
    EXPECT(event.caps().Usage == 0x0001);
    EXPECT(event.caps().InputReportByteLength == 3);
    EXPECT(DeviceLink::nodeName(event.devicePath()) != node);

    // Exactly these two nodes carry the keyboard's ids.
    DeviceLink list(env.roots);
    REQUIRE(list.enumerate());
    int keyboardPaths = 0;
    while (auto path = list.nextPath())
        if (hexAfterTag(*path, "vid_") == kVendorId && hexAfterTag(*path, "pid_") == kProductId) ++keyboardPaths;
    EXPECT(keyboardPaths == 2);
}

void deviceInfoIsOneZeroFilledExchange(Env &env, Outcome &o) {
    const size_t mark = env.mark();
    DeviceInfo info;
    REQUIRE(readDeviceInfo(info) == ResultCode::Success);
    EXPECT(info.firmwareVersion() == 0x0201);
    EXPECT(info.macroUnits() == 255);
    auto reqs = env.requestsSince(mark);
    REQUIRE(reqs.size() == 1u);
    EXPECT(reqs[0] == "042F00032C" + std::string(118, '0'));
}

void keyMatricesMoveInSevenPieces(Env &env, Outcome &o) {
    std::vector<uint8_t> written(kMatrixSize);
    for (size_t i = 0; i < written.size(); ++i) written[i] = static_cast<uint8_t>(i * 7 + 3);
    size_t mark = env.mark();
    REQUIRE(writeKeyMatrix(written.data(), 2) == ResultCode::Success);
    EXPECT(headersSince(env, mark) == (std::vector<std::string>{"0838F402", "08382C03", "08386403", "08389C03",
                                                                "0838D403", "08380C04", "082A4404"}));
    uint8_t matrix[kMatrixSize] = {};
    mark = env.mark();
    REQUIRE(readKeyMatrix(matrix, 2) == ResultCode::Success);
    EXPECT(std::vector<uint8_t>(matrix, matrix + kMatrixSize) == written);
    EXPECT(headersSince(env, mark).size() == 7u);

    REQUIRE(readDefaultMatrix(matrix) == ResultCode::Success);
    EXPECT(0 == std::memcmp(matrix, sim::factoryDefaultMatrix().data(), kMatrixSize));

    mark = env.mark();
    EXPECT(readKeyMatrix(matrix, 3) == ResultCode::BadProfile);
    EXPECT(writeKeyMatrix(matrix, 3) == ResultCode::BadProfile);
    EXPECT(env.requestsSince(mark).empty());
}

void macroAreaMovesIn56BytePieces(Env &env, Outcome &o) {
    std::vector<uint8_t> small(57, 0xA5);
    size_t mark = env.mark();
    REQUIRE(writeMacroArea(small.data(), small.size()) == ResultCode::Success);
    EXPECT(headersSince(env, mark) == (std::vector<std::string>{"0A380000", "0A013800"}));

    // The whole area, both ways: hundreds of exchanges back to back.
    DeviceInfo info;
    REQUIRE(readDeviceInfo(info) == ResultCode::Success);
    const size_t capacity = info.macroUnits() * 128u;
    std::vector<uint8_t> area(capacity), back(capacity, 0);
    for (size_t i = 0; i < capacity; ++i) area[i] = static_cast<uint8_t>((i * 31) ^ (i >> 8));
    mark = env.mark();
    REQUIRE(writeMacroArea(area.data(), capacity) == ResultCode::Success);
    REQUIRE(readMacroArea(back.data(), capacity) == ResultCode::Success);
    EXPECT(back == area);
    EXPECT(env.requestsSince(mark).size() == 2 * ((capacity + kFrameData - 1) / kFrameData));

    mark = env.mark();
    EXPECT(readMacroArea(back.data(), 0) == ResultCode::Success);
    EXPECT(writeMacroArea(area.data(), 0) == ResultCode::Success);
    EXPECT(env.requestsSince(mark).empty());
}

void refusalsGiveTheirCodesAndChangeNothing(Env &env, Outcome &o) {
    struct Case {
        const char *fault;
        int result;
    } cases[] = {{"refuse 0xFF 1", ResultCode::RefusedFF}, {"refuse 0xFE 1", ResultCode::RefusedFE}};
    for (const auto &c : cases) {
        REQUIRE(env.control(c.fault) == "ok");
        DeviceInfo info;
        info.bytes.fill(0xEE);
        EXPECT(readDeviceInfo(info) == c.result);
        bool untouched = true;
        for (uint8_t b : info.bytes) untouched = untouched && b == 0xEE;
        EXPECT(untouched);

        uint8_t before[kMatrixSize], after[kMatrixSize];
        REQUIRE(readKeyMatrix(before, 0) == ResultCode::Success);
        std::vector<uint8_t> other(kMatrixSize, static_cast<uint8_t>(before[0] + 1));
        REQUIRE(env.control(c.fault) == "ok");
        EXPECT(writeKeyMatrix(other.data(), 0) == c.result);
        REQUIRE(readKeyMatrix(after, 0) == ResultCode::Success);
        EXPECT(0 == std::memcmp(before, after, kMatrixSize));
    }
}

void unansweredRequestIsWrittenFourTimes(Env &env, Outcome &o) {
    REQUIRE(env.control("drop 4") == "ok");
    size_t mark = env.mark();
    DeviceInfo info;
    EXPECT(readDeviceInfo(info) == ResultCode::NoKeyboard);
    auto reqs = env.requestsSince(mark);
    REQUIRE(reqs.size() == 4u);
    for (auto &r : reqs) EXPECT(r == reqs[0]);
    EXPECT(readDeviceInfo(info) == ResultCode::Success);

    // Three lost replies: the fourth try is answered.
    REQUIRE(env.control("drop 3") == "ok");
    mark = env.mark();
    EXPECT(beginBatch() == ResultCode::Success);
    EXPECT(env.requestsSince(mark).size() == 4u);
    EXPECT(endBatch() == ResultCode::Success);
}

void unplugDuringACommandFailsTheWrite(Env &env, Outcome &o) {
    // The reply is held back long enough for the keyboard to be pulled out while the
    // command waits for it; the next try's write then fails.
    REQUIRE(env.control("delay 2000") == "ok");
    const size_t mark = env.mark();
    std::atomic<int> result{99};
    std::atomic<bool> done{false};
    std::thread command([&] {
        DeviceInfo info;
        result = readDeviceInfo(info);
        done = true;
    });
    const bool requestSeen = test::waitFor([&] { return !env.requestsSince(mark).empty(); }, 5s);
    EXPECT(requestSeen);
    EXPECT(env.control("unplug") == "ok");
    joinWithin(command, done, "unplug during a command");
    EXPECT(result == ResultCode::WriteFailed);
    EXPECT(test::waitFor([] { return !commandLink().devicePresent(); }, 5s));
    EXPECT(env.control("delay 0") == "ok");

    REQUIRE(env.control("plug") == "ok");
    EXPECT(connectKeyboard(env, 10s));
    DeviceInfo info;
    EXPECT(readDeviceInfo(info) == ResultCode::Success);
}

void staleLinkReadsAsAbsent(Env &env, Outcome &o) {
    // Pulled out and plugged in again between two presence checks. The kernel keeps the
    // node number of a removed hidraw device while a link holds it open, so the keyboard
    // comes back under other nodes; the socket transport gives the same names back. Either
    // way the link still open on the device that went away must read as absent.
    REQUIRE(commandLink().devicePresent());
    REQUIRE(env.control("unplug") == "ok");
    REQUIRE(env.control("plug") == "ok");
    DeviceLink probe(env.roots);
    REQUIRE(findWithin(probe, KeyboardInterface::Command));
    probe.close();
    EXPECT(!commandLink().devicePresent());
    EXPECT(beginBatch() == ResultCode::WriteFailed);

    REQUIRE(connectKeyboard(env, 10s));
    EXPECT(commandLink().devicePresent());
    EXPECT(beginBatch() == ResultCode::Success);
    EXPECT(endBatch() == ResultCode::Success);
}

void unlimitedReadEndsWhenTheLinkCloses(Env &env, Outcome &o) {
    DeviceLink link(env.roots);
    REQUIRE(findWithin(link, KeyboardInterface::Event));
    std::atomic<long> tid{0};
    std::atomic<bool> done{false}, result{true};
    std::atomic<size_t> got{99};
    std::thread reader([&] {
        tid = ::syscall(SYS_gettid);
        uint8_t buf[3];
        size_t n = 99;
        result = link.read(buf, sizeof buf, &n, -1);
        got = n;
        done = true;
    });
    // Wait until the reader sleeps inside the read, then close the link under it.
    EXPECT(test::waitFor([&] { return tid != 0 && threadState(tid) == 'S'; }, 5s));
    EXPECT(!done);
    EXPECT(link.close());
    joinWithin(reader, done, "unlimited read");
    EXPECT(!result);
    EXPECT(got == 0u);
}

void eventReportReachesTheEventInterface(Env &env, Outcome &o) {
    DeviceLink link(env.roots);
    REQUIRE(findWithin(link, KeyboardInterface::Event));
    auto &report = link.inputReport();
    REQUIRE(report.size() == 3u);
    size_t got = 99;
    EXPECT(!link.read(report.data(), report.size(), &got, 20));
    EXPECT(got == 0u);

    REQUIRE(env.control("event 0x0401") == "ok");
    REQUIRE(link.read(report.data(), report.size(), &got, 5000));
    EXPECT(got == 3u);
    EXPECT(report[0] == sim::kEventReportId);
    REQUIRE(link.parseInputReport(got));
    REQUIRE(!link.inputItems().empty());
    const HidItem &item = link.inputItems()[0];
    EXPECT(item.isSet);
    EXPECT(item.usagePage == 0x000C);
    REQUIRE(!item.usages.empty());
    EXPECT(item.usages[0] == 0x0401);
}

void threadsNeverInterleaveExchanges(Env &env, Outcome &o) {
    // With every reply a little late, a write of one thread between the other's write
    // and read would hand that thread the wrong matrix.
    std::vector<uint8_t> a(kMatrixSize, 0x31), b(kMatrixSize, 0x32);
    REQUIRE(writeKeyMatrix(a.data(), 0) == ResultCode::Success);
    REQUIRE(writeKeyMatrix(b.data(), 1) == ResultCode::Success);
    REQUIRE(env.control("delay 1") == "ok");
    std::atomic<int> wrong{0};
    auto worker = [&](int profile, uint8_t expected) {
        uint8_t m[kMatrixSize];
        for (int i = 0; i < 5; ++i) {
            if (readKeyMatrix(m, profile) != ResultCode::Success || m[0] != expected || m[kMatrixSize - 1] != expected)
                ++wrong;
        }
    };
    std::thread t1(worker, 0, 0x31), t2(worker, 1, 0x32);
    t1.join();
    t2.join();
    EXPECT(wrong == 0);
    EXPECT(env.control("delay 0") == "ok");
}

struct Check {
    const char *name;
    void (*run)(Env &, Outcome &);
};

const Check kChecks[] = {
    {"both interfaces are found with the kernel's descriptors", interfacesAreFound},
    {"device information is one zero-filled exchange", deviceInfoIsOneZeroFilledExchange},
    {"key matrices move in seven pieces each way", keyMatricesMoveInSevenPieces},
    {"the macro area moves in 56-byte pieces", macroAreaMovesIn56BytePieces},
    {"refusals give -102 and -103 and change nothing", refusalsGiveTheirCodesAndChangeNothing},
    {"an unanswered request is written four times, then gives 0", unansweredRequestIsWrittenFourTimes},
    {"an unplug during a command gives -1 and a later plug is found again", unplugDuringACommandFailsTheWrite},
    {"a link left open on a keyboard that was plugged in again reads as absent", staleLinkReadsAsAbsent},
    {"a read waiting without limit ends when another thread closes the link", unlimitedReadEndsWhenTheLinkCloses},
    {"an event report reaches the event interface", eventReportReachesTheEventInterface},
    {"exchanges of two threads never interleave", threadsNeverInterleaveExchanges},
};

int usage() {
    std::fprintf(stderr, "usage: protocol_checks --sysfs DIR --dev DIR --control SOCKET --frame-log FILE [--only TEXT]\n");
    return 2;
}

}  // namespace

int main(int argc, char **argv) {
    Env env;
    std::string only;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string a = argv[i], v = argv[i + 1];
        if (a == "--sysfs") env.roots.sysfs = v;
        else if (a == "--dev") env.roots.dev = v;
        else if (a == "--control") env.controlSocket = v;
        else if (a == "--frame-log") env.frameLog = v;
        else if (a == "--only") only = v;
        else return usage();
    }
    if (argc % 2 == 0 || env.controlSocket.empty() || env.frameLog.empty()) return usage();
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    // The keyboard's interfaces may still be on their way (a uhid device appears a
    // moment after it was created).
    if (!connectKeyboard(env, 20s)) {
        std::printf("FAIL no keyboard command interface under %s/class/hidraw\n0 passed, 1 failed\n",
                    env.roots.sysfs.c_str());
        return 1;
    }
    for (const Check &check : kChecks) {
        if (!only.empty() && std::string(check.name).find(only) == std::string::npos) continue;
        // Every check starts from a connected link and the real time-outs.
        setExchangeTimeouts({});
        if (!commandLink().isOpen()) connectKeyboard(env, 10s);
        connected = true;
        const auto start = std::chrono::steady_clock::now();
        Outcome o;
        check.run(env, o);
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        std::printf("%s %s (%lld ms)\n", o.failures.empty() ? "ok  " : "FAIL", check.name,
                    static_cast<long long>(ms.count()));
        for (auto &f : o.failures) std::printf("       %s\n", f.c_str());
        (o.failures.empty() ? gPassed : gFailed)++;
    }
    std::printf("%d passed, %d failed\n", gPassed, gFailed);
    return gFailed == 0 && gPassed > 0 ? 0 : 1;
}
