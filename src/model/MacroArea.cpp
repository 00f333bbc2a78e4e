#include <algorithm>
#include <limits>

#include "model/KeyMatrix.h"
#include "model/Macros.h"
#include "model/Utf16.h"
#include "shell/Language.h"

namespace t44::model {
namespace {

constexpr uint16_t kPressBit = 0x8000;
constexpr uint16_t kDelayMask = 0x0FFF;
constexpr uint32_t kMaxDelayUnits = 0x0FFF;
constexpr size_t kEntryHeaderSize = 4;
constexpr size_t kActionSize = 4;

uint16_t get16(const uint8_t *p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

void put16(uint8_t *p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

// The entry form of a macro action's key: the fixed forms of modifiers, mouse buttons and
// wheel; a keyboard usage; a system control (class 4, its code as a little-endian word);
// nothing for a key the keyboard has no code for.
MatrixEntry actionEntryOf(KeyCode key) {
    MatrixEntry e;
    if (fixedEntryOf(key, e)) return e;
    const DeviceCodeClass c = ClassifyDeviceCode(key);
    if (c.cls == DeviceClass::Keyboard) return {2, 2, c.value};
    if (c.cls == DeviceClass::System) return {4, c.value, 0};
    return {0, 0, 0};
}

}  // namespace

size_t MacroRecord::nameLength() const {
    size_t n = 0;
    while (n < kMaxMacroNameLength && name[n] != 0) ++n;
    return n;
}

void MacroRecord::setName(std::u16string_view text) {
    name.fill(0);
    std::copy_n(text.begin(), std::min(text.size(), kMaxMacroNameLength), name.begin());
}

uint16_t macroPositionIn(const MacroList &macros, uint32_t id) {
    const uint16_t wanted = static_cast<uint16_t>(id);
    for (size_t i = 0; i < macros.size(); ++i)
        if (macros[i].id == wanted) return static_cast<uint16_t>(i);
    return 0;
}

MacroAreaSizes macroAreaSizes(const MacroList &macros) {
    uint64_t minimal = kMacroAreaHeaderSize + 2 * macros.size(), names = 0;
    for (const MacroRecord &m : macros) {
        minimal += kEntryHeaderSize + kActionSize * m.usedActions().size();
        names += 2 * m.nameLength();
    }
    constexpr uint64_t cap = std::numeric_limits<uint32_t>::max();
    return {static_cast<uint32_t>(std::min(minimal, cap)), static_cast<uint32_t>(std::min(minimal + names, cap))};
}

std::array<uint8_t, 4> encodeMacroAction(const MacroAction &action) {
    // A recorded pause longer than the field holds is kept as the longest delay, not
    // wrapped to a short one.
    const uint32_t units = std::min(action.delay / 10, kMaxDelayUnits);
    const MatrixEntry e = actionEntryOf(action.key);
    const uint16_t word = static_cast<uint16_t>(units | ((e.cls & 7u) << 12) | (action.state != kRelease ? kPressBit : 0));
    return {static_cast<uint8_t>(word), static_cast<uint8_t>(word >> 8), e.sub, e.value};
}

MacroAction decodeMacroAction(const uint8_t *bytes4) {
    const uint16_t word = get16(bytes4);
    MacroAction a;
    a.delay = (word & kDelayMask) * 10u;
    a.key = KeyCodeOfEntry({static_cast<uint8_t>((word >> 12) & 7), bytes4[2], bytes4[3]});
    a.state = (word & kPressBit) ? kPress : kRelease;
    return a;
}

std::vector<uint8_t> encodeMacroArea(const MacroList &macros, bool withNames) {
    const MacroAreaSizes sizes = macroAreaSizes(macros);
    const uint32_t size = withNames ? sizes.full : sizes.minimal;
    // The header's size and the directory's offsets are 16-bit.
    if (size > 0xFFFF) return {};
    std::vector<uint8_t> out(size, 0);
    uint8_t *img = out.data();
    put16(img + 0, kMacroAreaMagic);
    put16(img + 2, static_cast<uint16_t>(size));
    put16(img + 4, static_cast<uint16_t>(macros.size()));
    put16(img + 6, withNames ? 1 : 0);
    size_t pos = kMacroAreaHeaderSize + 2 * macros.size();
    for (size_t i = 0; i < macros.size(); ++i) {
        const MacroRecord &m = macros[i];
        const auto actions = m.usedActions();
        const size_t nameLength = withNames ? m.nameLength() : 0;
        put16(img + kMacroAreaHeaderSize + 2 * i, static_cast<uint16_t>(pos));
        put16(img + pos, static_cast<uint16_t>(actions.size()));
        img[pos + 2] = m.cycles;
        img[pos + 3] = static_cast<uint8_t>(nameLength);
        pos += kEntryHeaderSize;
        for (const MacroAction &a : actions) {
            const auto bytes = encodeMacroAction(a);
            std::copy(bytes.begin(), bytes.end(), img + pos);
            pos += kActionSize;
        }
        for (size_t c = 0; c < nameLength; ++c, pos += 2) put16(img + pos, m.name[c]);
    }
    return out;
}

// The prefix of unnamed macros is asked for only when an entry has no name.
namespace {
template <class Prefix>
MacroList decodeArea(std::span<const uint8_t> area, Prefix &&unnamedPrefix) {
    // Every figure of the image is checked against the bytes actually given before it is
    // used; an image that contradicts itself reads as no macros.
    if (area.size() < kMacroAreaHeaderSize) return {};
    const uint8_t *img = area.data();
    if (get16(img) != kMacroAreaMagic) return {};
    const size_t size = get16(img + 2);
    const size_t count = get16(img + 4);
    if (size < kMacroAreaHeaderSize || size > area.size() || count > kMaxMacros) return {};
    const size_t directoryEnd = kMacroAreaHeaderSize + 2 * count;
    if (directoryEnd > size) return {};

    MacroList out(count);
    for (size_t i = 0; i < count; ++i) {
        const size_t at = get16(img + kMacroAreaHeaderSize + 2 * i);
        if (at < directoryEnd || at + kEntryHeaderSize > size) return {};
        const size_t actionCount = get16(img + at);
        const size_t nameLength = img[at + 3];
        const size_t actionsEnd = at + kEntryHeaderSize + kActionSize * actionCount;
        if (actionCount > kMaxMacroActions || nameLength > kMaxMacroNameLength || actionsEnd > size ||
            actionsEnd + 2 * nameLength > size)
            return {};

        MacroRecord &m = out[i];
        m.cycles = img[at + 2];
        m.isNew = 0;
        m.id = static_cast<uint16_t>(i + 1);
        m.actionCount = static_cast<uint16_t>(actionCount);
        for (size_t j = 0; j < actionCount; ++j)
            m.actions[j] = decodeMacroAction(img + at + kEntryHeaderSize + kActionSize * j);
        if (nameLength != 0) {
            for (size_t c = 0; c < nameLength; ++c) m.name[c] = static_cast<char16_t>(get16(img + actionsEnd + 2 * c));
        } else {
            std::u16string name(unnamedPrefix());
            for (char ch : std::to_string(i + 1)) name += static_cast<char16_t>(ch);
            m.setName(name);
        }
    }
    return out;
}
}  // namespace

MacroList decodeMacroArea(std::span<const uint8_t> area, std::u16string_view unnamedPrefix) {
    return decodeArea(area, [unnamedPrefix] { return std::u16string(unnamedPrefix); });
}

MacroList decodeMacroArea(std::span<const uint8_t> area) {
    std::u16string prefix;
    bool looked = false;
    return decodeArea(area, [&] {
        if (!looked) prefix = utf8ToUtf16(shell::LangText("MACRO_NEW_PREFIX"));
        looked = true;
        return prefix;
    });
}

}  // namespace t44::model
