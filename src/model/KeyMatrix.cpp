#include "model/KeyMatrix.h"

namespace t44::model {
namespace {

struct PlacedEntry {
    uint8_t position, cls, sub, value;
};

// Positions not listed are 0, 0, 0. The keys sit in columns of eight positions: Esc,
// Grave accent, Tab, Caps Lock, Left Shift, Left Ctrl at 8-13; F1, 1, Q, A, Z, Left Win
// at 16-21; and so on. Positions 0-5 (5, 0, 0) and 53 (the Fn key) name no key.
constexpr PlacedEntry kInitialEntries[] = {
    {0, 0x05, 0x00, 0x00},  {1, 0x05, 0x00, 0x00},  {2, 0x05, 0x00, 0x00},  {3, 0x05, 0x00, 0x00},
    {4, 0x05, 0x00, 0x00},  {5, 0x05, 0x00, 0x00},  {8, 0x02, 0x02, 0x29},  {9, 0x02, 0x02, 0x35},
    {10, 0x02, 0x02, 0x2B}, {11, 0x02, 0x02, 0x39}, {12, 0x02, 0x01, 0x02}, {13, 0x02, 0x01, 0x01},
    {16, 0x02, 0x02, 0x3A}, {17, 0x02, 0x02, 0x1E}, {18, 0x02, 0x02, 0x14}, {19, 0x02, 0x02, 0x04},
    {20, 0x02, 0x02, 0x1D}, {21, 0x02, 0x01, 0x08}, {24, 0x02, 0x02, 0x3B}, {25, 0x02, 0x02, 0x1F},
    {26, 0x02, 0x02, 0x1A}, {27, 0x02, 0x02, 0x16}, {28, 0x02, 0x02, 0x1B}, {29, 0x02, 0x01, 0x04},
    {32, 0x02, 0x02, 0x3C}, {33, 0x02, 0x02, 0x20}, {34, 0x02, 0x02, 0x08}, {35, 0x02, 0x02, 0x07},
    {36, 0x02, 0x02, 0x06}, {37, 0x02, 0x02, 0x2C}, {38, 0x02, 0x02, 0x46}, {40, 0x02, 0x02, 0x3D},
    {41, 0x02, 0x02, 0x21}, {42, 0x02, 0x02, 0x15}, {43, 0x02, 0x02, 0x09}, {44, 0x02, 0x02, 0x19},
    {45, 0x02, 0x01, 0x40}, {46, 0x02, 0x02, 0x47}, {48, 0x02, 0x02, 0x3E}, {49, 0x02, 0x02, 0x22},
    {50, 0x02, 0x02, 0x17}, {51, 0x02, 0x02, 0x0A}, {52, 0x02, 0x02, 0x05}, {53, 0x05, 0x02, 0x02},
    {54, 0x02, 0x02, 0x2E}, {56, 0x02, 0x02, 0x3F}, {57, 0x02, 0x02, 0x23}, {58, 0x02, 0x02, 0x1C},
    {59, 0x02, 0x02, 0x0B}, {60, 0x02, 0x02, 0x11}, {61, 0x02, 0x02, 0x65}, {62, 0x02, 0x02, 0x48},
};

constexpr KeyMatrixBlock buildInitialMatrix() {
    KeyMatrixBlock m{};
    for (const PlacedEntry &e : kInitialEntries) {
        m[e.position * 3u] = e.cls;
        m[e.position * 3u + 1] = e.sub;
        m[e.position * 3u + 2] = e.value;
    }
    return m;
}

// Keys with a fixed entry form, used both ways: a Key assignment or a macro action of
// one of these keys is written in this form, and this form reads back as the key.
struct FixedForm {
    KeyCode code;
    MatrixEntry entry;
};
constexpr FixedForm kFixedForms[] = {
    {0x01D, {2, 1, 0x01}}, {0x02A, {2, 1, 0x02}}, {0x038, {2, 1, 0x04}}, {0x15B, {2, 1, 0x08}},
    {0x11D, {2, 1, 0x10}}, {0x036, {2, 1, 0x20}}, {0x138, {2, 1, 0x40}}, {0x15C, {2, 1, 0x80}},
    {0x171, {1, 1, 0x01}}, {0x172, {1, 1, 0x02}}, {0x173, {1, 1, 0x04}},
    {0x161, {1, 5, 0x01}}, {0x162, {1, 5, 0xFF}},
};

constexpr uint8_t kClassNone = 0, kClassMouse = 1, kClassKeyboard = 2, kClassConsumer = 3, kClassSystem = 4,
                  kClassAction = 5, kClassGKey = 6;
constexpr uint8_t kSubModifier = 1, kSubUsage = 2;
constexpr uint8_t kSubMacro = 1, kSubStopMacro = 2, kSubFunction = 5;
constexpr uint8_t kSubGKey = 0xA2;

}  // namespace

const KeyMatrixBlock kInitialDefaultMatrix = buildInitialMatrix();

bool fixedEntryOf(KeyCode code, MatrixEntry &out) {
    for (const FixedForm &f : kFixedForms)
        if (f.code == code) {
            out = f.entry;
            return true;
        }
    return false;
}

KeyCode KeyCodeOfEntry(MatrixEntry e) {
    const uint16_t word = static_cast<uint16_t>(e.sub | (e.value << 8));
    switch (e.cls) {
    case kClassMouse:
        for (const FixedForm &f : kFixedForms)
            if (f.entry == e) return f.code;
        return 0;
    case kClassKeyboard:
        return e.sub == kSubUsage ? KeyCodeFromDeviceCode(DeviceClass::Keyboard, e.value) : ModifierKeyCode(e.value);
    case kClassConsumer:
        return KeyCodeFromDeviceCode(DeviceClass::Consumer, word);
    case kClassSystem:
        return KeyCodeFromDeviceCode(DeviceClass::System, word);
    case kClassGKey:
        return e.sub == kSubGKey ? static_cast<KeyCode>(0x1FF + e.value) : 0;
    default:
        return 0;
    }
}

MatrixEntry keyTargetEntry(KeyCode target) {
    MatrixEntry e;
    if (fixedEntryOf(target, e)) return e;
    const DeviceCodeClass c = ClassifyDeviceCode(target);
    return {kClassKeyboard, kSubUsage, c.cls == DeviceClass::Keyboard ? c.value : uint8_t{0}};
}

KeyMatrixBlock EncodeKeyMatrix(ConstAssignmentBlock block, const KeyMatrixBlock &defaultMatrix,
                               const MacroList &macros) {
    KeyMatrixBlock out = defaultMatrix;
    for (size_t p = 0; p < kMatrixPositions; ++p) {
        const MatrixEntry def = entryAt(defaultMatrix, p);
        const KeyCode k = KeyCodeOfEntry(def);
        const uint16_t index = KeyTableIndexOf(k);
        if (k == 0 || index == 0 || index >= kRecordsPerBlock) continue;
        const KeyAssignment &r = block[index];
        MatrixEntry e = def;
        switch (r.kind()) {
        case AssignmentType::Default:
        case AssignmentType::LaunchProgram:
            break;
        case AssignmentType::Disabled:
        case AssignmentType::TextBlock:
            e = {kClassNone, 0, 0};
            break;
        case AssignmentType::Key:
            e = keyTargetEntry(static_cast<KeyCode>(r.code));  // a KeyCode is 16 bits
            break;
        case AssignmentType::Macro:
            e = {kClassAction, kSubMacro, static_cast<uint8_t>(macroPositionIn(macros, r.code))};
            break;
        case AssignmentType::StopMacro:
            e = {kClassAction, kSubStopMacro, 0};
            break;
        case AssignmentType::Multimedia:
            // An index beyond the table (from a damaged file) keeps the default entry.
            if (r.code < ConsumerKeyTable.size()) {
                const uint16_t usage = ConsumerKeyTable[r.code].usage;
                e = {kClassConsumer, static_cast<uint8_t>(usage), static_cast<uint8_t>(usage >> 8)};
            }
            break;
        case AssignmentType::Function:
            e = {kClassAction, kSubFunction, static_cast<uint8_t>(r.code)};
            break;
        default:
            break;
        }
        setEntry(out, p, e);
    }
    return out;
}

void DecodeKeyMatrix(const KeyMatrixBlock &matrix, const KeyMatrixBlock &defaultMatrix, AssignmentBlock out) {
    ResetAssignmentBlock(out);
    for (size_t p = 0; p < kMatrixPositions; ++p) {
        const MatrixEntry e = entryAt(matrix, p);
        const MatrixEntry def = entryAt(defaultMatrix, p);
        if (e == def) continue;
        const uint16_t index = KeyTableIndexOf(KeyCodeOfEntry(def));
        if (index == 0 || index >= kRecordsPerBlock) continue;
        KeyAssignment &r = out[index];
        r.type = static_cast<uint16_t>(AssignmentType::Disabled);
        r.code = 0;
        auto set = [&r](AssignmentType t, uint32_t code) {
            r.type = static_cast<uint16_t>(t);
            r.code = code;
        };
        switch (e.cls) {
        case kClassAction:
            // Macros read from the keyboard get id = position + 1.
            if (e.sub == kSubMacro) set(AssignmentType::Macro, e.value + 1u);
            else if (e.sub == kSubStopMacro) set(AssignmentType::StopMacro, 0);
            else if (e.sub == kSubFunction) set(AssignmentType::Function, e.value);
            break;
        case kClassConsumer: {
            const uint16_t usage = static_cast<uint16_t>(e.sub | (e.value << 8));
            for (size_t j = 0; j < ConsumerKeyTable.size(); ++j)
                if (ConsumerKeyTable[j].usage == usage) {
                    set(AssignmentType::Multimedia, static_cast<uint32_t>(j));
                    break;
                }
            break;
        }
        case kClassMouse:
            // Forms other than the buttons and the wheel steps stay Disabled.
            if (KeyCode k = KeyCodeOfEntry(e)) set(AssignmentType::Key, k);
            break;
        case kClassKeyboard:
            if (e.sub == kSubUsage) {
                if (KeyCode k = KeyCodeFromDeviceCode(DeviceClass::Keyboard, e.value)) set(AssignmentType::Key, k);
            } else if (e.sub == kSubModifier) {
                set(AssignmentType::Key, ModifierKeyCode(e.value));
            }
            break;
        default:
            break;
        }
    }
}

}  // namespace t44::model
