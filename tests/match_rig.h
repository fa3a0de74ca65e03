// A whole local match of two computer worms on the shipped level and weapon
// file, run frame by frame without pacing, window or sound: the frame's
// simulation and drawing steps in their game order. Shared by the long-run
// tests and the simulation benchmark.
//
// The computer player alone soon settles into a corner, so on one frame in
// four a seeded source of the rig's own presses random controls instead:
// the worms dig, rope, jump and fire everywhere, and the match stays
// reproducible from its seed.
#pragma once

#include <memory>
#include <random>
#include <stdexcept>
#include <string>

#include "client/ai/computer.h"
#include "client/app/game.h"
#include "client/present/display.h"
#include "client/present/render.h"
#include "client/simulation/weapons/arms.h"
#include "client/simulation/weapons/objects.h"
#include "client/simulation/weapons/shots.h"
#include "client/simulation/worms/worms.h"
#include "client/state/world.h"
#include "platform/headless/headless_platform.h"

namespace krel::testing {

class Match {
 public:
  // dataDir holds arms.dat and level.bmp.
  Match(const std::string& dataDir, std::uint64_t seed) : w_(std::make_unique<World>()), monkey_(seed) {
    World& w = *w_;
    w.platform = &platform_;
    w.ProgramDir = dataDir;
    std::string error;
    if (!InitDisplay(w, dataDir, error)) throw std::runtime_error(error);
    ArmsError armsError;
    if (!LoadArms(w.WeaponDefs, w.ObjDefs, w.SObjDefs, dataDir + "/arms.dat", armsError))
      throw std::runtime_error(armsError.Message());
    w.MenuComputer = {kFalse, kTrue, kTrue};
    w.Seed(seed);
    NewGame();
  }

  World& world() { return *w_; }
  int games() const { return games_; }

  // Random weapons (0..39) for both worms, then the game's own set-up.
  void NewGame() {
    World& w = *w_;
    ++games_;
    for (int p = 1; p <= 2; ++p)
      for (int16& slot : w.Players[static_cast<std::size_t>(p)].WeaponSlots) slot = static_cast<int16>(w.Rand() * 40);
    w.ResetEntityTables();
    InitGame(w);
  }

  // One frame; a game that ends starts the next.
  void Frame() {
    Frame([](int, auto&& step) { step(); });
  }

  // The same, with every phase (0 worms, 1 shots, 2 objects, 3 special
  // objects, 4 drawing and bonus drop) run through timed(phase, step).
  template <typename Timed>
  void Frame(Timed&& timed) {
    World& w = *w_;
    timed(0, [&] { PlayerAction(w); });
    timed(1, [&] { MoveShots(w); });
    timed(2, [&] { ParticleMove(w); });
    timed(3, [&] { SObjMove(w); });
    timed(4, [&] {
      ShowAll(w);
      BonusDrop(w);
    });
    if (w.Players[1].Lives < 0 || w.Players[2].Lives < 0) {
      NewGame();
      return;
    }
    for (int p = 1; p <= 2; ++p) {
      ComputerPlayer(w, p);
      if (monkey_() % 4 != 0) continue;
      auto& ctrl = w.Players[static_cast<std::size_t>(p)].Ctrl;
      for (int j = 1; j <= 7; ++j) ctrl[static_cast<std::size_t>(j)] = monkey_() % 3 == 0 ? 1 : 0;
    }
  }

 private:
  HeadlessPlatform platform_;
  std::unique_ptr<World> w_;
  std::mt19937 monkey_;
  int games_ = 0;
};

}  // namespace krel::testing
