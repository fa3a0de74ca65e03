// The level and weapon file a server names for its open games (protocol/open_play.h, "V"):
// checked with the game's own level reader, kept under the cache folder by
// checksum ($XDG_CACHE_HOME/krel/CHECKSUM/level.bmp, else
// ~/.cache/krel/...), and played on in this server's games. The player's own
// level.bmp is never touched.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace krel {

// The cache folder of Krel; empty when neither XDG_CACHE_HOME (absolute)
// nor HOME is set.
std::string CacheFolder();

// Checks `bytes` (announced with `checksum`) and keeps them as
// CACHE/CHECKSUM/level.bmp; `folder` is then that folder. False with the
// reason in `error`, and nothing kept, when the file is not a level or its
// checksum differs.
bool KeepServerLevel(std::string_view bytes, std::uint32_t checksum, std::string& folder, std::string& error);

// The same for the weapon file the server names (CACHE/CHECKSUM/arms.dat),
// checked with the game's own reader.
bool KeepServerArms(std::string_view bytes, std::uint32_t checksum, std::string& folder, std::string& error);

}  // namespace krel
