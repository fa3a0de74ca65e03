// Where the game looks for arms.dat and level.bmp: in the player's own data
// folder first, so that a level or weapon file of one's own dropped there is
// played wherever the program runs from (the build folder too), then beside
// the program (the build's copies), then in the installed data folder. Each
// file is looked up on its own, so a player's level goes with the shipped
// weapons.
#pragma once

#include <string>
#include <vector>

namespace krel {

struct World;

// The folders in search order: $XDG_DATA_HOME/krel (when XDG_DATA_HOME is
// an absolute path, else $HOME/.local/share/krel; neither when HOME is unset
// too), programDir, installedDir (skipped when empty). A folder that is
// already in the list is not repeated.
std::vector<std::string> DataSearchDirs(const std::string& programDir, const char* xdgDataHome, const char* home,
                                        const std::string& installedDir);

// The first of dirs that holds a regular file called name; dirs[0] when none
// does, so that the error names the first place looked at ("." for none).
std::string FindDataDir(const std::vector<std::string>& dirs, const std::string& name);

// FindDataDir over w.DataDirs, or w.ProgramDir when no search order is set.
std::string DataDir(const World& w, const std::string& name);
// DataDir(w, name) + "/" + name: the file the game reads.
std::string DataFile(const World& w, const std::string& name);

// "name was looked for in: a, b, c" when name is in none of w.DataDirs;
// empty when it was found or no search order is set.
std::string DataFileNotFoundNote(const World& w, const std::string& name);

}  // namespace krel
