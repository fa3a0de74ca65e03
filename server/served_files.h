// The level and weapon file a server names for its open games
// (protocol/open_play.h), read and checked with the game's own readers
// before any client gets them: a file the game could not load is never
// served.
#pragma once

#include <string>
#include <vector>

namespace krel {

enum class ServedFile { kLevel, kArms };

// The file's name as clients know it: "level.bmp" or "arms.dat".
const char* ServedFileName(ServedFile file);

// Reads the file at path into bytes when it is within the size a client
// takes and the game's reader loads it; otherwise false, with the reader's
// message (naming path) in error and bytes empty.
bool ReadServedFile(ServedFile file, const std::string& path, std::string& bytes, std::string& error);

// Without a file named on the command line (path empty): the shipped one,
// the first found in dirs (krel's search order). Appends to log what is
// served, or why nothing is (none found, or the one found does not load),
// in which case path and bytes stay empty and every client plays on its own.
void FindShippedFile(ServedFile file, const std::vector<std::string>& dirs, std::string& path, std::string& bytes,
                     std::vector<std::string>& log);

}  // namespace krel
