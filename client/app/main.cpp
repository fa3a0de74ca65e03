// The game client: the SDL platform (its keyboard replaced by a script when
// KREL_INPUT names one), the settings file and the game state, then start-up.
//
// Options: --record FILE, --play FILE, --speed N, --headless (recorded games,
// client/replay/replay_options.h).
//
// Environment:
//   KREL_INPUT=FILE   keyboard script (format in platform/script_input.h)
//   KREL_TRACE=FILE   one JSON line per game frame (client/simulation/report/trace.h);
//                     KREL_TRACE_EVERY=N writes only every Nth frame
//   KREL_DUMP=FILE    one JSON line per finished game (client/simulation/report/dump.h)
//   KREL_SEED=N       fixed random seed instead of the clock
//   KREL_CONFIG_DIR   folder of krel.ini instead of ~/.config/krel
//   KREL_TCP_PORT     the relay server's game port instead of 17384
//   KREL_UDP_PORT     the port heard for server announcements instead of 17383
//   KREL_LIST_SERVERS list servers to ask for relays (instead of krel.ini's)
//   KREL_LOCKSTEP=1   network games wait for every batch, as over a LAN, even
//                     where the server could play this client pipelined
//
// The command line: --help, --version, --window (or the single argument
// /window); see client/app/command_line.h.
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "client/app/command_line.h"
#include "client/app/startup.h"
#include "client/net/net_client.h"
#include "client/replay/replay_session.h"
#include "client/state/data_files.h"
#include "client/state/world.h"
#include "platform/script_input.h"
#include "platform/sdl/sdl_platform.h"
#include "platform/settings.h"
#include "protocol/base/file_output.h"
#include "protocol/base/printable.h"
#include "protocol/base/version.h"

namespace {

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v != nullptr ? std::string(v) : std::string();
}

bool ParseSeed(const std::string& text, std::uint64_t& seed) {
  if (text.empty() || text.size() > 20) return false;
  std::uint64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    std::uint64_t next = v * 10 + static_cast<std::uint64_t>(c - '0');
    if (next / 10 != v) return false;  // overflow
    v = next;
  }
  seed = v;
  return true;
}

}  // namespace

// The installed data folder, set by the build from the install prefix.
#ifndef KREL_INSTALLED_DATA_DIR
#define KREL_INSTALLED_DATA_DIR ""
#endif

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  // The options of recorded games first; the rest is the program's own.
  krel::ReplaySession replay;
  if (!replay.ParseArgs(args)) return 2;
  const krel::CommandLine options = krel::ParseCommandLine(args);
  switch (options.action) {
    case krel::CommandLine::Action::kHelp: std::cout << krel::ClientUsage(); return 0;
    case krel::CommandLine::Action::kVersion: std::cout << krel::VersionLine() << "\n"; return 0;
    case krel::CommandLine::Action::kBadUsage:
      std::cerr << "krel: " << options.error << "\n" << krel::ClientUsage();
      return 2;
    case krel::CommandLine::Action::kRun: break;
  }

  krel::SdlPlatform sdl;
  krel::Platform* platform = &replay.BasePlatform(sdl);
  std::unique_ptr<krel::ScriptInputPlatform> scripted;
  if (std::string input = Env("KREL_INPUT"); !input.empty()) {
    krel::InputScript script;
    std::string error;
    if (!krel::LoadInputScript(input, script, error)) {
      // A key script means nobody is at the keyboard to close a box.
      std::cerr << "krel: KREL_INPUT: " << error << "\n";
      return 2;
    }
    scripted = std::make_unique<krel::ScriptInputPlatform>(*platform, std::move(script));
    platform = scripted.get();
  }

  auto world = std::make_unique<krel::World>();
  if (std::string seed = Env("KREL_SEED"); !seed.empty()) {
    std::uint64_t value = 0;
    if (!ParseSeed(seed, value)) {
      // Set by automation, like KREL_INPUT: said on stderr, not in a box.
      std::cerr << "krel: KREL_SEED: \"" << seed << "\" is not a whole number from 0 to 18446744073709551615\n";
      return 2;
    }
    world->FixedSeed = value;
  }
  world->DumpPath = Env("KREL_DUMP");
  world->NetStatsPath = Env("KREL_NETSTATS");

  krel::IniSettingsStore settings(krel::IniSettingsStore::DefaultPath());
  for (const std::string& warning : settings.warnings()) std::cerr << "krel: settings: " << warning << "\n";
  // Sharp whole-number scaling unless the player asked for the smooth fit.
  const std::string scaling = settings.GetSetting("General Settings", "Scaling", "integer");
  if (scaling != "integer" && scaling != "fit")
    std::cerr << "krel: settings: \"Scaling\" is \"" << krel::Printable(scaling, {.quoted = true})
              << "\", not \"integer\" or \"fit\"; using \"integer\"\n";
  sdl.SetScaling(scaling == "fit" ? krel::Scaling::kFit : krel::Scaling::kInteger);

  krel::NetClient net;
  std::string port_warning;
  krel::NetPortsFromEnvironment(net, port_warning);
  if (!port_warning.empty()) std::cerr << "krel: " << port_warning;
  net.AskPipelined = Env("KREL_LOCKSTEP") != "1";
  if (!options.watch.empty()) {
    // Watching is agreed with open play, which comes with pipelined play.
    net.Watch = net.AskPipelined;
    settings.SaveSetting("Network", "LastServer", options.watch);
  }
  // For measuring what prediction gains: KREL_PREDICT=0 plays pipelined
  // without applying own shots at once.
  net.PredictOwn = Env("KREL_PREDICT") != "0";

  world->ProgramDir = krel::ProgramDirectory();
  world->DataDirs = krel::DataSearchDirs(world->ProgramDir, std::getenv("XDG_DATA_HOME"), std::getenv("HOME"),
                                         KREL_INSTALLED_DATA_DIR);
  krel::SettingsStore* store = &settings;
  if (int status = replay.Begin(*world, platform, store); status >= 0) return status;
  world->platform = platform;
  world->settings = store;
  if (replay.NetworkAllowed()) krel::AttachNetwork(*world, net);
  // The start-up code still sees the game's own command line.
  int status = krel::StartProgram(*world, options.window ? "/window" : "");
  // Every output that could not be written was said when it failed; the
  // run still counts as failed, so that scripts notice.
  const bool written = replay.End() && !world->ReportWriteFailed && settings.last_error().empty() &&
                       !sdl.write_failed() && krel::StandardOutputWritten("krel");
  return status == 0 && !written ? 1 : status;
}
