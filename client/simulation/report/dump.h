// KREL_DUMP: one JSON object per line, appended at every game end, so that
// automated runs can check what a game did.
//
//   {"frames":123,"end":"escape","NumPlayers":2,
//    "players":[{"Name":"Player 1            ","Lives":15,"Kills":0,
//                "Health":100,"Alive":false,"Age":122,"X":12.5,"Y":80},...],
//    "LevelWidth":504,"LevelHeight":350,"LevelChecksum":2166136261,
//    "Chat":["Bob died",...]}
//
// and in a network game, after every 50th batch since the set of worms last
// changed (the same batch on every client of the game):
//
//   {"batch":50,"NumPlayers":4,"players":[{"Name":"...","Lives":15,
//    "Kills":0},...],"LevelChecksum":2166136261}
//
// frames: frames begun in this game, the one that ended it included.
// end: "escape", "gameover" or "closed". players: 1..NumPlayers in order.
// Name: all 20 characters, blanks included; characters outside printable
// ASCII as \uXXXX escapes. X, Y: exact decimals
// of the fixed-point positions. LevelChecksum: 32-bit FNV-1a over the
// material number of every level pixel (MaterialOf: 1 soil, 2 rock, 3 free,
// 4 anything else; one byte each), row by row from the top left. Chat:
// every chat line shown during the game, in order (at most 200).
#pragma once

#include <cstdint>
#include <string>

#include "client/state/game_end.h"
#include "client/state/world.h"

namespace krel {

std::uint32_t LevelChecksum(const World& w);

std::string DumpLine(World& w, std::int64_t frames, GameEnd end);
std::string BatchDumpLine(const World& w, std::int64_t batch);

// Appends line and a line feed to path. On failure error names the file.
bool AppendDumpLine(const std::string& path, const std::string& line, std::string& error);

}  // namespace krel
