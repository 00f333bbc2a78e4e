// Linked into the statically linked programs of the test machine only. A static program
// cannot load the C library's user-database modules, and the machine has no user
// database anyway: the per-user folders come from HOME and the XDG variables there.
// Defining getpwuid here keeps the C library's version, and the link-time warning that
// comes with it, out of those programs.

#include <pwd.h>

extern "C" passwd *getpwuid(uid_t) { return nullptr; }
