#pragma once
// Per-user places: the configuration folder (settings that stood in the registry), the
// data folder (the profile folder) and the runtime folder (the instance channel).

#include <string>

namespace t44::storage {

inline constexpr const char *kProductTitle = "Halvex T44-ARC Keyboard";
inline constexpr const char *kAppRegistryKey = "Tessel_Nimbrel";

std::string configHome();   // $XDG_CONFIG_HOME, else ~/.config
std::string dataHome();     // $XDG_DATA_HOME, else ~/.local/share
std::string runtimeDir();   // $XDG_RUNTIME_DIR, else a private folder under /tmp

// "$XDG_CONFIG_HOME/Halvex T44-ARC Keyboard.ini": the product's own key (LANGUAGE).
std::string productSettingsFile();
// "$XDG_CONFIG_HOME/Tessel_Nimbrel/Halvex T44-ARC Keyboard.ini": the application's
// profile sections (PROFILES).
std::string appSettingsFile();
// "$XDG_DATA_HOME/Halvex T44-ARC Keyboard": the per-user profile folder.
std::string profileFolder();

// Creates a folder and its parents; true when it exists afterwards.
bool ensureFolder(const std::string &path);

}  // namespace t44::storage
