// KREL_TRACE: one JSON line per game frame, so that two runs of the same
// game (two clients of a network game, a recording and its playback) can be
// compared frame by frame and field by field (tools/krel-trace):
//
//   {"game":1,"frame":10,"players":[{"n":1,"Ctrl":"RJ","X":12.5,
//     "Y":80,"DirX":0,"DirY":1.25,"Speed":30,"Aim":9,
//     "FacingRight":true,"Health":100,"Lives":15,"Kills":0,"CurWeapon":0,
//     "RopeState":0},...],"Shots":2,"Objs":40,"SObjs":1,
//     "LevelChecksum":2166136261}
//
// game: games since the program started, from 1. frame: frames begun in
// this game, from 1; a line is written when the frame's moves and drawing
// are done (a frame left by Escape is not traced). players: the worms in
// play (Alive), by number n. Ctrl: the controls that acted in the frame, as
// letters L R U D S J C (left, right, up, down, shoot, jump, change).
// The fixed-point fields are written exactly (their shortest decimal form),
// so traces compare by text. Shots, Objs, SObjs: live entries of the three tables.
// LevelChecksum (as in KREL_DUMP) on every 50th frame only.
//
// In a network game every frame line also carries "batch" (batches applied
// since the set of worms last changed, the dump's count), and after every
// 50th batch a batch line is written, the dump's batch line with the game:
//
//   {"game":1,"batch":50,"NumPlayers":4,"players":[{"Name":"Anna ...",
//     "Lives":15,"Kills":0},...],"LevelChecksum":2166136261}
//
// Frames of two clients of one game never match (each counts from its own
// join, and a pipelined client runs its own worms ahead of what the others
// see); the batch lines do, and krel-trace compares network traces by them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "client/state/world.h"
#include "protocol/base/file_output.h"

namespace krel {

class FrameTrace {
 public:
  // Lines go to path, appended; only frames divisible by `every` are written.
  FrameTrace(std::string path, int every);
  ~FrameTrace();
  FrameTrace(const FrameTrace&) = delete;
  FrameTrace& operator=(const FrameTrace&) = delete;

  void GameStarted() { ++game_; }
  // Called once per completed frame; `batch`: in a network game, the
  // batches completed since the set of worms last changed.
  void Frame(const World& w, std::int64_t frame, std::optional<std::int64_t> batch);
  // A network game's batch line: `dump_line` is the dump's line of the batch.
  void Batch(const std::string& dump_line);
  // Writes what is buffered (the end of every game and the program).
  void Flush();
  // Whether a write has failed (said once on stderr; the game goes on
  // untraced, and the program ends with a non-zero status).
  bool failed() const { return failed_; }

 private:
  std::string path_;
  int every_;
  std::int64_t game_ = 0;
  std::string buffer_;
  OutputFile file_;
  bool failed_ = false;
};

// The trace line of the world's current state.
std::string TraceLine(const World& w, std::int64_t game, std::int64_t frame, std::optional<std::int64_t> batch);

}  // namespace krel
