// The game client: the SDL platform (its keyboard replaced by a script when
// KREL_INPUT names one), the settings file and the game state, then start-up.
//
// Environment:
//   KREL_INPUT=FILE   keyboard script (format in platform/script_input.h)
//   KREL_DUMP=FILE    one JSON line per finished game (client/core/dump.h)
//   KREL_SEED=N       fixed random seed instead of the clock
//   KREL_CONFIG_DIR   folder of krel.ini instead of ~/.config/krel
//   KREL_TCP_PORT     the relay server's game port instead of 17384
//   KREL_UDP_PORT     the port heard for server announcements instead of 17383
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>

#include "client/core/startup.h"
#include "client/core/world.h"
#include "client/net/net_client.h"
#include "platform/script_input.h"
#include "platform/sdl/sdl_platform.h"
#include "platform/settings.h"

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

int main(int argc, char** argv) {
  // The whole command line, as one text.
  std::string command_line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) command_line += ' ';
    command_line += argv[i];
  }

  krel::SdlPlatform sdl;
  krel::Platform* platform = &sdl;
  std::unique_ptr<krel::ScriptInputPlatform> scripted;
  if (std::string input = Env("KREL_INPUT"); !input.empty()) {
    krel::InputScript script;
    std::string error;
    if (!krel::LoadInputScript(input, script, error)) {
      sdl.MessageBox("KREL_INPUT: " + error);
      return 2;
    }
    scripted = std::make_unique<krel::ScriptInputPlatform>(sdl, std::move(script));
    platform = scripted.get();
  }

  auto world = std::make_unique<krel::World>();
  if (std::string seed = Env("KREL_SEED"); !seed.empty()) {
    std::uint64_t value = 0;
    if (!ParseSeed(seed, value)) {
      sdl.MessageBox("KREL_SEED: \"" + seed + "\" is not a whole number from 0 to 18446744073709551615");
      return 2;
    }
    world->FixedSeed = value;
  }
  world->DumpPath = Env("KREL_DUMP");

  krel::IniSettingsStore settings(krel::IniSettingsStore::DefaultPath());
  for (const std::string& warning : settings.warnings()) std::cerr << "krel: settings: " << warning << "\n";

  krel::NetClient net;
  std::string port_warning;
  krel::NetPortsFromEnvironment(net, port_warning);
  if (!port_warning.empty()) std::cerr << "krel: " << port_warning;

  world->platform = platform;
  world->settings = &settings;
  krel::AttachNetwork(*world, net);
  world->ProgramDir = krel::ProgramDirectory();
  return krel::Form_Load(*world, command_line);
}
