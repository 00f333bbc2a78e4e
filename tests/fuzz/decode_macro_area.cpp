// Macro area images as the keyboard might return them, whatever they hold: decoding
// reads only the bytes given, fills records within their limits, and what it reads
// encodes again into an image that reads back the same.

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "model/Macros.h"

using namespace t44::model;

namespace {
void check(bool ok) {
    if (!ok) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // An exactly sized copy, so a read past the received bytes is caught.
    const std::vector<uint8_t> area(data, data + size);
    const MacroList list = decodeMacroArea(area, u"M");
    check(list.size() <= kMaxMacros);
    for (size_t i = 0; i < list.size(); ++i) {
        const MacroRecord &m = list[i];
        check(m.id == i + 1 && m.isNew == 0);
        check(m.actionCount <= kMaxMacroActions);
        check(m.nameLength() <= kMaxMacroNameLength && m.name[m.nameLength()] == 0);
        for (const MacroAction &a : m.usedActions()) check(a.delay <= kMaxEncodedDelayMs && a.state <= kRelease);
    }

    for (bool names : {false, true}) {
        const std::vector<uint8_t> again = encodeMacroArea(list, names);
        if (again.empty()) continue;  // entries shared in the input can add up beyond 64 KiB
        check(again.size() == (names ? macroAreaSizes(list).full : macroAreaSizes(list).minimal));
        const MacroList back = decodeMacroArea(again, u"M");
        check(back.size() == list.size());
        for (size_t i = 0; i < list.size(); ++i) {
            check(back[i].cycles == list[i].cycles && back[i].actionCount == list[i].actionCount);
            for (size_t j = 0; j < list[i].actionCount; ++j) {
                const MacroAction &a = list[i].actions[j], &b = back[i].actions[j];
                check(a.delay == b.delay && a.state == b.state);
                // G keys have no code the keyboard plays; they come back as no key.
                check(b.key == (a.key >= 0x1FF ? 0 : a.key));
            }
        }
    }
    return 0;
}
