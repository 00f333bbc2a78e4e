#pragma once
// The profile folder of the current user and the profile files kept there.
//
// One profile file holds all three on-board profiles: their key assignments, the macros
// and the texts of program and text keys. The working file "$Profile0" in the profile
// folder mirrors the keyboard (it is rewritten from the keyboard on every connection and
// by every Apply); "*.fwc" files are the same format, exported and imported by the user.
//
// Profile file, little-endian, exactly as long as its header says:
//   0      32                    header: magic 0x4446, header size 32, 3, 1, total size,
//                                2048 records, macro count (0-100), text area size,
//                                0, 0, 0, flag (0 or 1; written 0), checksum (byte 31:
//                                low byte of the sum of bytes 0-30)
//   32     32                    device block, carried as loaded
//   64     32768                 4 blocks x 512 KeyAssignment records (block 3 cleared)
//   32832  macro count x 16512   the MacroRecords in list order
//   then   text area size        the texts of LaunchProgram and TextBlock records,
//                                UTF-16LE each with its terminating 0, packed in record
//                                order from offset 0; a record's code is the byte offset
//                                of its text
//
// Every file is written whole to a temporary file and renamed over the old one, so a
// crash or a full disk never leaves a half-written profile.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "model/Apply.h"
#include "model/ConfigImage.h"

namespace t44::storage {

inline constexpr const char *kWorkingProfileName = "$Profile0";
inline constexpr size_t kProfileTableSize = model::AssignmentTable::size();  // 32832

// Results of ValidateProfileFile.
namespace ProfileCheck {
inline constexpr int Valid = 1;
inline constexpr int Invalid = 0;        // missing, shorter than 32832 bytes, or a bad header
inline constexpr int CannotOpen = 254;   // not openable for reading and writing
inline constexpr int NoMemory = 253;
}  // namespace ProfileCheck

// --- the image as bytes (no files, no locks) ---

// Refreshes the header of `image` (macro count, text area size = the TextTable's total,
// flag 0, checksum), stores each text's offset in its record's code field, and returns
// the whole file. Empty when the image has no AssignmentTable.
std::vector<uint8_t> encodeProfileFile(model::ProfileImage &image);
// Reads a profile file into a fresh image. The bytes are untrusted: false (and `out`
// untouched) when they are shorter than the table, the header names more than 100
// macros, or they are shorter than the macros and text area the header names. The
// header is not otherwise checked (checkProfileHeader does that).
bool decodeProfileFile(std::span<const uint8_t> bytes, model::ProfileImage &out);
// The header tests of an imported file: magic, sizes, constants, record count, macro
// count at most 100, flag below 2, total size, checksum. `header` has at least 32 bytes.
bool checkProfileHeader(const uint8_t *header);

// --- the profile folder ---

// Creates the profile folder when it does not exist and seeds it with the three light
// files, copies of the template beside the program. An existing folder is left alone.
// True when the folder exists afterwards.
bool EnsureProfileFolder();
// EnsureProfileFolder, then the path of the working file in it.
std::string WorkingProfilePath();

// --- files ---

// Writes an empty profile (no macros, no texts, every record Default, the G-key labels
// on the first profile) to `path`.
bool CreateEmptyProfile(const std::string &path);
// An empty profile as the working model.
void CreateEmptyProfileInMemory();
// Writes the working model to `path` (export). Under the model lock; refreshes the
// working table's header and text offsets as it goes. False when there is no working
// model or the file cannot be written.
bool SaveProfileFile(const std::string &path);
// SaveProfileFile of the working file, only when that file already exists (it is first
// made by reading the keyboard); false otherwise.
bool SaveWorkingProfile();
// Reads `path` into a fresh image and, only when the whole file was read, makes it the
// working model. A file that cannot be read leaves the working model as it was.
bool LoadProfileFile(const std::string &path);
// The same into `out` instead of the working model.
bool LoadProfileFile(const std::string &path, model::ProfileImage &out);
// Checks a file before it is imported; one of ProfileCheck. A header that fails is
// reported to the user ("PROFILE_FORMAT_ERROR" with the path); the other failures are
// silent. The file's length is not compared with the header here; loading does that.
int ValidateProfileFile(const std::string &path);
// Reads the keyboard's three key matrices and its macro area and writes them to `path`
// as a profile file (no texts). 1 when the keyboard was read and the file written, else
// 0; `readResult`, when given, receives the protocol's result code of reading the keyboard.
int DumpKeyboardToProfile(const std::string &path, int *readResult = nullptr);

// --- the flows ---

// Reloads the working model from the keyboard: the keyboard is dumped to the working
// file and the file loaded; when no active profile can be read, the dump fails or the
// file cannot be loaded, the working model becomes an empty profile. Then the key
// buttons are redrawn and, unless `keepModified`, `modified` is cleared. True when the
// keyboard's configuration was loaded.
bool LoadFromKeyboard(model::ApplyHost &host, bool keepModified = false);
// Imports a profile file: validates it, loads it into a fresh image, makes that the
// working model, saves the working file and writes all three profiles to the keyboard.
// A file that is not valid or cannot be read whole is reported ("MAIN_PROMPT_INPORT",
// after "PROFILE_FORMAT_ERROR" for a bad header) and changes nothing. `modified` is
// cleared when the working file and the keyboard both took the import, and set when
// either failed (so Apply can try again). True when both succeeded.
bool ImportProfile(const std::string &path, model::ApplyHost &host);
// Exports the working model to `path`.
bool ExportProfile(const std::string &path);
// The user-level Apply with the working file as its store.
bool ApplyWorkingModel(model::ApplyHost &host);

}  // namespace t44::storage
