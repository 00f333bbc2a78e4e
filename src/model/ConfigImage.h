#pragma once
// The program's picture of what the keyboard stores, in three layers:
//   device facts    the keyboard's default matrix, its macro capacity and the active
//                   profile as last read or set; filled when the keyboard arrives
//   working model   the key assignments of every profile, the macros and the texts of
//                   program and text keys; what the editors change (model lock)
//   apply snapshot  a frozen copy of the working model that Apply encodes (apply lock)
//
// Both locks are recursive. When both are held the model lock is taken first.
// The default matrix is replaced whole and read as a copy, so a reader never sees a
// matrix half old and half new.

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "model/KeyAssignment.h"
#include "model/KeyMatrix.h"
#include "model/Macros.h"

namespace t44::model {

// The texts of LaunchProgram and TextBlock records: entry n belongs to record n of the
// AssignmentTable. Each entry keeps its size in bytes including the terminator (0 for no
// text); the table keeps the sum of all sizes.
struct TextEntry {
    std::u16string text;
    uint32_t size = 0;
};

class TextTable {
public:
    static constexpr size_t kEntries = kAssignmentRecords;  // 2048

    TextTable() : entries_(kEntries) {}
    const TextEntry &operator[](size_t n) const { return entries_[n]; }
    bool hasText(size_t n) const { return entries_[n].size != 0; }
    // Stores a text (an empty one is a text too: size 2).
    void set(size_t n, std::u16string text);
    void clear(size_t n);
    void clearAll();
    uint32_t totalSize() const { return total_; }

private:
    std::vector<TextEntry> entries_;
    uint32_t total_ = 0;
};

// One layer of the model: the AssignmentTable (absent until the first load), the
// macros in list order and the texts.
struct ProfileImage {
    std::unique_ptr<AssignmentTable> assignments;
    MacroList macros;
    TextTable texts;

    uint16_t macroCount() const { return static_cast<uint16_t>(macros.size()); }
    ProfileImage copy() const;
};

void freeAssignmentTable(ProfileImage &image);
void freeMacroList(ProfileImage &image);
// Frees every text and zeroes every entry and the total; the 2048 entries stay.
void freeTextTable(ProfileImage &image);

// A reference to a layer that holds its lock for as long as it lives.
template <class T>
class Locked {
public:
    Locked(std::recursive_mutex &m, T &value) : lock_(m), value_(&value) {}
    T *operator->() const { return value_; }
    T &operator*() const { return *value_; }

private:
    std::unique_lock<std::recursive_mutex> lock_;
    T *value_;
};

enum class Layer { Working, Snapshot };

class ConfigImage {
public:
    ConfigImage();
    ConfigImage(const ConfigImage &) = delete;
    ConfigImage &operator=(const ConfigImage &) = delete;

    // --- device facts ---
    // A copy of the default matrix: the built-in one until the keyboard's has been read.
    KeyMatrixBlock defaultMatrix() const;
    void setDefaultMatrix(const KeyMatrixBlock &matrix);
    // Bytes of the keyboard's macro area; 0 until its device information has been read.
    uint32_t macroCapacity() const { return macroCapacity_; }
    void setMacroCapacity(uint32_t bytes) { macroCapacity_ = bytes; }
    // The active profile 0..2 as last read or set, or -1 when it must be read again.
    int32_t activeProfileCache() const { return activeProfileCache_; }
    void setActiveProfileCache(int32_t profile) { activeProfileCache_ = profile; }

    // The cached active profile, else the keyboard's (read, then cached); -1 when the
    // keyboard does not answer, and the next call asks it again.
    int activeProfile();
    // Makes `profile` (0..2) the keyboard's active profile: its device information is
    // read, byte 10 replaced and written back. Returns the protocol's result code; a
    // profile outside 0..2 sends nothing and gives BadProfile. On a failed write the
    // cache is dropped (-1); on success it holds the profile.
    int setActiveProfile(int profile);

    // --- working model (model lock) ---
    std::recursive_mutex &modelLock() { return modelLock_; }
    Locked<ProfileImage> model() { return {modelLock_, working_}; }
    // Position of the first working macro whose id equals the low 16 bits of `id`; 0
    // when none has it.
    uint16_t macroPositionOfId(uint32_t id);
    // Id of the working macro at `position`; 0 when the position is outside the list.
    uint16_t macroIdAt(int position);
    // Replaces the working model whole (the old containers are freed first).
    void replaceWorking(ProfileImage &&image);
    // An empty profile as the working model: all records Default, G-key labels on
    // profile 1, no macros, no texts.
    void resetWorkingToEmptyProfile();

    // --- apply snapshot (apply lock) ---
    std::recursive_mutex &applyLock() { return applyLock_; }
    Locked<ProfileImage> snapshot() { return {applyLock_, snapshot_}; }
    // Replaces the snapshot by a copy of the working model, its header's macro count
    // and text size brought up to date. Takes the model lock, then the apply lock.
    // False (and an empty snapshot) when there is no working AssignmentTable.
    bool takeSnapshot();
    // The macro area sizes and image of the snapshot's macros, under the apply lock.
    MacroAreaSizes snapshotMacroAreaSizes();
    std::vector<uint8_t> encodeSnapshotMacroArea(bool withNames);
    // The key matrix of one profile of the snapshot against the current default matrix;
    // false when the snapshot has no AssignmentTable or the profile is not 0..2.
    bool encodeSnapshotKeyMatrix(int profile, KeyMatrixBlock &out);

    // The free operations, each under the lock of its layer.
    void freeMacroList(Layer layer);
    void freeTextTable(Layer layer);
    void freeAssignmentTable(Layer layer);

    // Back to the state of a program that has just started (tests, and the exit path).
    void reset();

private:
    mutable std::mutex factsLock_;
    KeyMatrixBlock defaultMatrix_;
    std::atomic<uint32_t> macroCapacity_{0};
    std::atomic<int32_t> activeProfileCache_{-1};

    std::recursive_mutex modelLock_;
    ProfileImage working_;
    std::recursive_mutex applyLock_;
    ProfileImage snapshot_;
};

// The process-wide image.
ConfigImage &configImage();

// Makes the image the receiver of what the presence monitor reads from an arriving
// keyboard (default matrix, macro capacity) and of the reset of the active profile when
// it goes.
void installDeviceFactsSink();

// Reads the keyboard's three key matrices and its macro area and decodes them into a
// profile image (header with the macro count and no text, blocks 0-2 decoded against the
// current default matrix, block 3 cleared, macros with id = position + 1). Fails when
// the active profile cannot be read or any read fails. Returns the protocol's result code.
int readKeyboardProfiles(ProfileImage &out);

// Loads the keyboard's configuration into the working model: the keyboard's profiles when
// they can be read, else an empty profile. The keyboard is read before the model lock is
// taken. True when the keyboard's profiles were loaded.
bool loadWorkingModelFromKeyboard();

}  // namespace t44::model
