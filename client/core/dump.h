// KREL_DUMP: one JSON object per line, appended at every game end, so that
// automated runs can check what a game did.
//
//   {"frames":123,"end":"escape","NumPlayers":2,
//    "players":[{"Name":"Player 1            ","Lives":15,"Kills":0,
//                "Health":100,"Alive":false,"Age":122,"X":12.5,"Y":80},...],
//    "LevelWidth":504,"LevelHeight":350,"LevelChecksum":2166136261}
//
// frames: frames begun in this game, the one that ended it included.
// end: "escape", "gameover" or "closed". players: 1..NumPlayers in order.
// Name: all 20 characters, blanks included; characters outside printable
// ASCII as \uXXXX escapes. X, Y: exact decimals
// of the fixed-point positions. LevelChecksum: 32-bit FNV-1a over the
// material number of every level pixel (MaterialOf: 1 soil, 2 rock, 3 free,
// 4 anything else; one byte each), row by row from the top left.
#pragma once

#include <cstdint>
#include <string>

#include "client/core/game.h"
#include "client/core/world.h"

namespace krel {

std::uint32_t LevelChecksum(const World& w);

std::string DumpLine(World& w, std::int64_t frames, GameEnd end);

// Appends line and a line feed to path. On failure error names the file.
bool AppendDumpLine(const std::string& path, const std::string& line, std::string& error);

}  // namespace krel
