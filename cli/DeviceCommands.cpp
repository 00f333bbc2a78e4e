// info and list: what the keyboard says about itself and which HID interfaces are there.

#include <cstdio>
#include <string>

#include "Cli.h"
#include "device/DeviceLink.h"
#include "device/Protocol.h"

namespace t44::cli {
namespace {

int runInfo(CliContext &ctx) {
    device::DeviceInfo info;
    int r = device::readDeviceInfo(info);
    if (r != device::ResultCode::Success) return reportResult("info", r);
    std::string modes;
    for (int i = 0; i < 32; ++i) {
        if (!info.supportedModes()[i]) continue;
        if (!modes.empty()) modes += ctx.json ? "," : " ";
        modes += std::to_string(info.supportedModes()[i]);
    }
    const unsigned fw = info.firmwareVersion();
    const unsigned capacity = info.macroUnits() * 128u;
    if (ctx.json) {
        std::printf("{\"firmware\":%u,\"firmwareText\":\"%u.%02X\",\"activeProfile\":%u,"
                    "\"macroCapacity\":%u,\"modes\":[%s]}\n",
                    fw, fw >> 8, fw & 0xFF, info.activeProfile() + 1u, capacity, modes.c_str());
    } else {
        std::printf("firmware:        %u.%02X (%u)\n", fw >> 8, fw & 0xFF, fw);
        std::printf("active profile:  %u\n", info.activeProfile() + 1u);
        std::printf("macro capacity:  %u bytes\n", capacity);
        std::printf("lighting modes:  %s\n", modes.empty() ? "(none)" : modes.c_str());
    }
    return kExitOk;
}

int runList(CliContext &ctx) {
    device::DeviceLink link;
    if (!link.enumerate()) {
        std::fprintf(stderr, "halvex-t44ctl: cannot list the HID devices\n");
        return kExitFailure;
    }
    if (ctx.json) std::printf("[");
    bool first = true;
    while (auto path = link.nextPath()) {
        device::DeviceLink probe(link.roots());
        bool opened = probe.open(*path, true, false, true, false);
        const auto &a = probe.attributes();
        const auto &c = probe.caps();
        std::string node = path->substr(0, path->find('?'));
        if (ctx.json) {
            std::printf("%s{\"path\":\"%s\",\"vendor\":%u,\"product\":%u,\"usagePage\":%u,\"usage\":%u,"
                        "\"inputLength\":%u,\"opened\":%s}",
                        first ? "" : ",", node.c_str(), a.VendorID, a.ProductID, c.UsagePage, c.Usage,
                        c.InputReportByteLength, opened ? "true" : "false");
        } else if (opened) {
            std::printf("%s  %04x:%04x  usage page %04x usage %04x  input %u bytes\n", node.c_str(), a.VendorID,
                        a.ProductID, c.UsagePage, c.Usage, c.InputReportByteLength);
        } else {
            std::printf("%s  (cannot open)\n", node.c_str());
        }
        first = false;
    }
    if (ctx.json) std::printf("]\n");
    return kExitOk;
}

CliRegistration info({"info", "info [--json]          firmware, active profile, macro capacity, effects", true, runInfo});
CliRegistration list({"list", "list [--json]          the HID interfaces present", false, runList});

}  // namespace
}  // namespace t44::cli
