// halvex-t44: the configurator, living in the notification area.
//   halvex-t44 [/Start] [/Kill] [--virtual DIR]

#include "shell/qt/ShellApp.h"

int main(int argc, char **argv) { return t44::shell::qt::runApplication(argc, argv); }
