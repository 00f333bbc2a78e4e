#pragma once
// What the core asks of the main window. The presence monitor and the event listener run
// on threads of their own and reach the window only through this interface; a second
// instance reaches it through the instance channel. The window side decides how each call
// gets onto its own thread.
//
// Threading contract of the implementation:
//  - versionCheck, loadProfile, closeEditors, hideWindow and setTrayIcon are sent: they may
//    be called from any thread and return only after the window has handled them;
//  - postOpen and startLightReloadTimer are posted: any thread, they return at once;
//  - showWindow and orderlyExit run on the user-interface thread only.

#include <cstdint>

namespace t44::shell {

// The window's private message numbers and the tags they travel with. A tag is a fixed
// 32-bit number named by four letters; the numbers are the ones these messages have
// always carried (not all of them spell their letters in the same byte order), so each
// is written out.
inline constexpr uint32_t kMsgKill = 0x4D4B;
inline constexpr uint32_t kMsgInit = 0x4D4E;
inline constexpr uint32_t kMsgLanguage = 0x5041;
inline constexpr uint32_t kMsgShow = 0x5350;
inline constexpr uint32_t kMsgProfile = 0x5452;
inline constexpr uint32_t kMsgCloseEditors = 0x4753;
inline constexpr uint32_t kTagKill = 0x4C4C494B;      // "KILL"
inline constexpr uint32_t kTagInit = 0x494E4954;      // "INIT"
inline constexpr uint32_t kTagLanguage = 0x4C414E47;  // "LANG"
inline constexpr uint32_t kTagOpen = 0x4F50454E;      // "OPEN"
inline constexpr uint32_t kTagRev = 0x00564552;       // "REV"
inline constexpr uint32_t kTagProf = 0x50524F46;      // "PROF"

// Timer the event listener starts when the keyboard reports a lighting change.
inline constexpr int kLightReloadTimer = 1051;

// Notification icons: keyboard absent, keyboard present, the play symbol.
inline constexpr int kIconDisconnected = 128;
inline constexpr int kIconConnected = 141;
inline constexpr int kIconPlaying = 142;

class MainWindowMessages {
public:
    virtual ~MainWindowMessages() = default;

    // 0x5350 "REV": the firmware version check of an arriving keyboard.
    virtual void versionCheck() = 0;
    // 0x5452 "PROF": read the keyboard's configuration into the working model and
    // refresh the key buttons and the lighting panel.
    virtual void loadProfile() = 0;
    // 0x4753: the keyboard went; close every open editor and take the focus back.
    virtual void closeEditors() = 0;
    // Hide the main window.
    virtual void hideWindow() = 0;
    // Choose the notification icon: kind 0 with id != 0 shows icon `id` and remembers it as
    // the icon to return to; kind 0 with id 0 shows that remembered icon again; kind 1
    // shows the play symbol (142) without remembering it. The icon changes only when it
    // differs from the one shown.
    virtual void setTrayIcon(int kind, int id) = 0;

    // 0x5350 "OPEN" posted by the presence monitor on the first arrival.
    virtual void postOpen() = 0;
    // Start timer 1051 with period 0: reload the lighting from the keyboard.
    virtual void startLightReloadTimer() = 0;

    // 0x5350 "OPEN" handled: show and activate the window when the keyboard is connected,
    // else tell the user the text "MAIN_NO_DEVICE_PROMPT" and leave it hidden.
    virtual void showWindow() = 0;
    // 0x4D4B "KILL" and the tray's exit: the orderly exit of the program.
    virtual void orderlyExit() = 0;
};

}  // namespace t44::shell
