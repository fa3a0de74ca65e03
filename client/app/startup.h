// The program's start and end.
#pragma once

#include <string>

#include "client/state/world.h"

namespace krel {

// Exactly "/window" (case-sensitive, nothing else) asks for a window; any
// other command line, or none, for full screen.
bool WantsWindow(const std::string& commandLine);

// The folder the running program lies in (from /proc/self/exe); "." when it
// cannot be found.
std::string ProgramDirectory();

// Starts the program: entity tables, command line, server discovery, random
// seed, weapon file, display, keyboard, sounds, key names; runs the main menu
// and shuts down. w.platform and w.settings must be set and w.ProgramDir
// must name the folder of arms.dat and level.bmp. Returns the exit status:
// 0 after a normal end (the menu returned or the window was closed), 1 after
// a start-up failure, which has been shown with a message box.
int StartProgram(World& w, const std::string& commandLine);

}  // namespace krel
