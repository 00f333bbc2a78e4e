#pragma once
// A plain-text log of what the program does, one line per event, written only when asked
// for (halvex-t44 opens the file named by HALVEX_T44_LOG). Each line is
//   <monotonic milliseconds> <process id> <text>
// and is appended with a single write, so several processes may share one file and the
// clock values of their lines compare.

#include <string>
#include <string_view>

namespace t44::shell {

// Opens (appending) the log file; false when it cannot be opened.
bool openEventLog(const std::string &path);
void closeEventLog();
bool eventLogOpen();
// Appends one line; does nothing while no log is open. Safe from any thread.
void logEvent(std::string_view text);

}  // namespace t44::shell
