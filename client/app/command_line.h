// The client's command line. Options start with "-"; every other argument
// belongs to the game's own command line, where exactly "/window" asks for a
// window, as it always has.
#pragma once

#include <string>
#include <vector>

#include "protocol/base/version.h"  // what --version prints

namespace krel {

struct CommandLine {
  enum class Action { kRun, kHelp, kVersion, kBadUsage };
  Action action = Action::kRun;
  bool window = false;
  // --watch ADDRESS: network games are watched, at ADDRESS unless another is typed.
  std::string watch;
  std::string error;  // kBadUsage: what was wrong
};

// args are the arguments after the program name.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// The usage text of --help, with the environment variables the game reads.
std::string ClientUsage();

}  // namespace krel
