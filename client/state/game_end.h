// How a game ended.
#pragma once

namespace krel {

enum class GameEnd {
  kEscape,     // the Escape key
  kGameOver,   // player 1 or 2 has fewer than 0 lives
  kClosed,     // the window was closed (or the input script ran out)
  kTakePlace,  // a spectator pressed jump to play: the caller connects to the same server to play
};

}  // namespace krel
