// The command-line options of recorded games:
//
//   --record FILE   record this session into FILE
//   --play FILE     play the recording FILE back
//   --speed N       play back N times as fast (1 to 16; with --play)
//   --headless      no window, sound or pacing (with --play or --record)
//
// "--record=FILE" and the like are understood too.
#pragma once

#include <string>
#include <vector>

namespace krel {

struct ReplayOptions {
  std::string record;
  std::string play;
  int speed = 1;
  bool headless = false;
};

// Takes these options out of args and leaves every other argument, in its
// order, for the rest of the program. On a misuse returns false and error
// says what was wrong.
bool TakeReplayOptions(std::vector<std::string>& args, ReplayOptions& out, std::string& error);

}  // namespace krel
