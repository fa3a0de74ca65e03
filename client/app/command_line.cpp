#include "client/app/command_line.h"

#include "client/app/startup.h"

namespace krel {

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine out;
  std::string legacy;  // the arguments that are not options, blank-separated
  bool first_legacy = true;
  bool options_done = false;
  bool watch_address = false;  // the argument is the address of --watch
  for (const std::string& a : args) {
    if (watch_address) {
      out.watch = a;
      watch_address = false;
      continue;
    }
    if (!options_done && a.size() > 1 && a[0] == '-') {
      if (a == "--") {
        options_done = true;
      } else if (a == "--help" || a == "-h") {
        // The first of --help and --version wins; a later bad option does not
        // turn a request for help into an error.
        if (out.action == CommandLine::Action::kRun) out.action = CommandLine::Action::kHelp;
      } else if (a == "--version") {
        if (out.action == CommandLine::Action::kRun) out.action = CommandLine::Action::kVersion;
      } else if (a == "--window") {
        out.window = true;
      } else if (a == "--watch") {
        watch_address = true;
      } else if (out.action == CommandLine::Action::kRun) {
        out.action = CommandLine::Action::kBadUsage;
        out.error = "unknown option " + a;
      }
      continue;
    }
    if (!first_legacy) legacy += ' ';
    legacy += a;
    first_legacy = false;
  }
  if (WantsWindow(legacy)) out.window = true;
  if (watch_address && out.action == CommandLine::Action::kRun) {
    out.action = CommandLine::Action::kBadUsage;
    out.error = "--watch needs the server's address";
  }
  return out;
}

std::string ClientUsage() {
  return "usage: krel [--window | /window] [--record FILE] [--watch ADDRESS]\n"
         "       krel --play FILE [--speed N] [--headless]\n"
         "       krel --help | --version\n"
         "\n"
         "Starts the game full screen; --window, or the single argument /window, starts\n"
         "it in a 640x480 window. Alt+Enter switches between the two at any time, F12\n"
         "saves a screenshot.\n"
         "\n"
         "  --window        start in a window\n"
         "  --watch ADDRESS watch network games instead of playing: NEW NETWORK GAME\n"
         "                  offers ADDRESS, and Enter watches the game running there;\n"
         "                  while it has a free place, jump takes it and you play\n"
         "  --record FILE   record the session (seed and keys) into FILE\n"
         "  --play FILE     play a recording back; the keyboard does not act\n"
         "  --speed N       with --play: N times as fast (1 to 16)\n"
         "  --headless      with --play: no window, no sound, as fast as possible\n"
         "  --help          print this text and exit\n"
         "  --version       print the version (\"Krel 0.82\" and the build) and exit\n"
         "\n"
         "Weapons and level: arms.dat and level.bmp are each read from the first of these\n"
         "folders that holds it, and krel says at start which two files it loaded:\n"
         "  1. $XDG_DATA_HOME/krel (default ~/.local/share/krel): your own files\n"
         "  2. the program's own folder (a build folder holds the shipped files)\n"
         "  3. the installed data folder (PREFIX/share/krel)\n"
         "\n"
         "Environment:\n"
         "  KREL_CONFIG_DIR   folder of krel.ini (default $XDG_CONFIG_HOME/krel or ~/.config/krel)\n"
         "  KREL_INPUT=FILE   replace the keyboard by a key script\n"
         "  KREL_DUMP=FILE    append one JSON line per finished game\n"
         "  KREL_SEED=N       fixed random seed\n"
         "  KREL_TRACE=FILE   write one JSON line per game frame (compare two with krel-trace)\n"
         "  KREL_TRACE_EVERY=N  with KREL_TRACE: only every Nth frame\n"
         "  KREL_TCP_PORT=N   the relay server's game port (default 17384)\n"
         "  KREL_UDP_PORT=N   the port heard for server announcements (default 17383)\n"
         "  KREL_LOCKSTEP=1   network games wait for every batch (no pipelined play)\n"
         "  KREL_PREDICT=0    pipelined: own shots wait for the batch as in lock-step\n"
         "  KREL_NETSTATS=FILE  append one JSON line of network timings per frame of a network game\n"
         "  KREL_LIST_SERVERS=\"HOST[:PORT] ...\"  list servers to ask for relays (instead of krel.ini's)\n"
         "  XDG_DATA_HOME     your own arms.dat and level.bmp go in its krel folder (above)\n"
         "  XDG_PICTURES_DIR  screenshots go to its krel folder (default ~/Pictures/krel)\n";
}

}  // namespace krel
