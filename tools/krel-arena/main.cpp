// krel-arena: plays local games of two computer players against each other,
// headless and as fast as the machine goes, and prints a table and a JSON
// line of kills, deaths, suicides, standing still and winners.
#include <cstdlib>
#include <iostream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "client/ai/ace.h"
#include "client/app/startup.h"
#include "client/state/data_files.h"
#include "protocol/base/file_output.h"
#include "tools/krel-arena/arena.h"

namespace {

constexpr const char* kUsage =
    "usage: krel-arena [--a WHO] [--b WHO] [--games N] [--seed S] [--frames F] [--first a|b]\n"
    "                  [--data DIR] [--level FILE] [--arms FILE] [--ladder]\n"
    "Plays N local games of two computer worms (side a against side b) from the seeds\n"
    "S .. S+N-1, F frames each (default 4500, three minutes), without a window and without\n"
    "pacing; both worms of a game get the same five weapons, drawn from its seed, and the\n"
    "sides change worms from game to game. Prints a table and then one JSON line.\n"
    "  --a, --b    WHO is cpu, the simple computer player CPU (walks at its target, fires at\n"
    "              random), ace, the ace computer player ACE at its strongest (aims with each\n"
    "              weapon's flight), or ace:N, the ace at strength N from 1 (easiest) to 5\n"
    "              (default a ace, b cpu)\n"
    "  --games N   number of games (default 10)\n"
    "  --seed S    seed of the first game (default 1)\n"
    "  --frames F  frames per game (default 4500)\n"
    "  --first a|b the side that plays worm 1 in the first game (default a); with --games 1\n"
    "              this plays any one seed with either side first\n"
    "  --data DIR  folder of arms.dat and level.bmp (default: where krel looks for them)\n"
    "  --level FILE  the level to play on instead of DIR's level.bmp\n"
    "  --arms FILE   the weapon file instead of DIR's arms.dat\n"
    "  --ladder    instead of one match, a table of matches across the ace's strengths (each\n"
    "              against the next weaker, the strongest and the weakest against cpu, the\n"
    "              strongest against itself), N games each; --a and --b are not used\n"
    "Exit status 0 after the games, 2 on a wrong command line, 1 when the data cannot be loaded.\n";

// The matches of a ladder.
std::vector<std::pair<std::string, std::string>> LadderMatches() {
  return {{"ace", "cpu"},     {"ace", "ace"},     {"ace:1", "cpu"},  {"ace:2", "ace:1"},
          {"ace:3", "ace:2"}, {"ace:4", "ace:3"}, {"ace:5", "ace:4"}};
}

std::vector<krel::arena::GameResult> PlayAll(const krel::arena::ArenaOptions& o) {
  std::vector<krel::arena::GameResult> games;
  for (int k = 0; k < o.games; ++k) games.push_back(krel::arena::PlayGame(o, k));
  return games;
}

bool Number(const std::string& text, long long lo, long long hi, long long& out) {
  try {
    std::size_t used = 0;
    out = std::stoll(text, &used);
    return used == text.size() && out >= lo && out <= hi;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

int main(int argc, char** argv) {
  krel::arena::ArenaOptions o;
  // Where krel itself looks: the player's data folder, beside the program,
  // the installed data folder.
  o.data_dir = krel::FindDataDir(krel::DataSearchDirs(krel::ProgramDirectory(), std::getenv("XDG_DATA_HOME"),
                                                      std::getenv("HOME"), KREL_INSTALLED_DATA_DIR),
                                 "arms.dat");
  std::vector<std::string> args(argv + 1, argv + argc);
  bool ladder = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      std::cout << kUsage;
      return 0;
    }
    if (a == "--ladder") {
      ladder = true;
      continue;
    }
    if (i + 1 >= args.size()) {
      std::cerr << "krel-arena: " << a << (a.rfind("--", 0) == 0 ? " needs a value\n" : ": unknown argument\n")
                << kUsage;
      return 2;
    }
    const std::string& v = args[++i];
    long long n = 0;
    bool ok = true;
    if (a == "--a" || a == "--b") {
      krel::arena::Side& side = a == "--a" ? o.side_a : o.side_b;
      ok = krel::ParseControllerWord(v, side.controller, side.strength);
    } else if (a == "--games") {
      ok = Number(v, 1, 100000, n);
      o.games = static_cast<int>(n);
    } else if (a == "--seed") {
      ok = Number(v, 0, 2147483647, n);
      o.seed = static_cast<std::uint64_t>(n);
    } else if (a == "--frames") {
      ok = Number(v, 1, 10000000, n);
      o.frames = static_cast<int>(n);
    } else if (a == "--first") {
      ok = v == "a" || v == "b";
      o.a_first = v == "a";
    } else if (a == "--data") {
      o.data_dir = v;
    } else if (a == "--level") {
      o.level_file = v;
    } else if (a == "--arms") {
      o.arms_file = v;
    } else {
      std::cerr << "krel-arena: unknown argument " << a << "\n" << kUsage;
      return 2;
    }
    if (!ok) {
      std::cerr << "krel-arena: " << a << " does not take " << v << "\n" << kUsage;
      return 2;
    }
  }
  try {
    if (ladder) {
      std::cout << krel::arena::LadderHeader() << std::flush;
      for (const auto& [a, b] : LadderMatches()) {
        krel::ParseControllerWord(a, o.side_a.controller, o.side_a.strength);
        krel::ParseControllerWord(b, o.side_b.controller, o.side_b.strength);
        std::cout << krel::arena::LadderLine(o, PlayAll(o)) << std::flush;
      }
      std::cout << "(a_win%: of the games not drawn; a_kill/g: kills by side a per game; self%: suicides of the "
                   "side's deaths; silent: games a/b never fired; box>5s: games a/b stayed over 5 s in a "
                << krel::arena::kBoxPixels << " px box)\n";
      return krel::StandardOutputWritten("krel-arena") ? 0 : 1;
    }
    const std::vector<krel::arena::GameResult> games = PlayAll(o);
    std::cout << krel::arena::Table(o, games) << krel::arena::JsonLine(o, games) << "\n";
  } catch (const std::exception& e) {
    std::cerr << "krel-arena: " << e.what() << "\n";
    return 1;
  }
  return krel::StandardOutputWritten("krel-arena") ? 0 : 1;
}
