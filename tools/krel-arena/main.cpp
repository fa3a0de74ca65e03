// krel-arena: plays local games of two computer players against each other,
// headless and as fast as the machine goes, and prints a table and a JSON
// line of kills, deaths, suicides, standing still and winners.
#include <cstdlib>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "client/app/startup.h"
#include "client/state/data_files.h"
#include "tools/krel-arena/arena.h"

namespace {

constexpr const char* kUsage =
    "usage: krel-arena [--a cpu|ace] [--b cpu|ace] [--games N] [--seed S] [--frames F] [--data DIR]\n"
    "Plays N local games of two computer worms (side a against side b) from the seeds\n"
    "S .. S+N-1, F frames each (default 4500, three minutes), without a window and without\n"
    "pacing; both worms of a game get the same five weapons, drawn from its seed, and the\n"
    "sides change worms from game to game. Prints a table and then one JSON line.\n"
    "  --a, --b    cpu: the simple computer player CPU (walks at its target, fires at random);\n"
    "              ace: the ace computer player ACE (aims with each weapon's flight)\n"
    "              (default a ace, b cpu)\n"
    "  --games N   number of games (default 10)\n"
    "  --seed S    seed of the first game (default 1)\n"
    "  --frames F  frames per game (default 4500)\n"
    "  --data DIR  folder of arms.dat and level.bmp (default: where krel looks for them)\n"
    "Exit status 0 after the games, 2 on a wrong command line, 1 when the data cannot be loaded.\n";

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
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      std::cout << kUsage;
      return 0;
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
      ok = v == "cpu" || v == "ace";
      (a == "--a" ? o.side_a : o.side_b) = v == "ace" ? krel::kControllerAce : krel::kControllerCpu;
    } else if (a == "--games") {
      ok = Number(v, 1, 100000, n);
      o.games = static_cast<int>(n);
    } else if (a == "--seed") {
      ok = Number(v, 0, 2147483647, n);
      o.seed = static_cast<std::uint64_t>(n);
    } else if (a == "--frames") {
      ok = Number(v, 1, 10000000, n);
      o.frames = static_cast<int>(n);
    } else if (a == "--data") {
      o.data_dir = v;
    } else {
      std::cerr << "krel-arena: unknown argument " << a << "\n" << kUsage;
      return 2;
    }
    if (!ok) {
      std::cerr << "krel-arena: " << a << " does not take " << v << "\n" << kUsage;
      return 2;
    }
  }
  std::vector<krel::arena::GameResult> games;
  try {
    for (int k = 0; k < o.games; ++k) games.push_back(krel::arena::PlayGame(o, k));
  } catch (const std::exception& e) {
    std::cerr << "krel-arena: " << e.what() << "\n";
    return 1;
  }
  std::cout << krel::arena::Table(o, games) << krel::arena::JsonLine(o, games) << "\n";
  return 0;
}
