// krelServer: the relay server of network games.
//
//   krelServer [--port N] [--announce-port N] [--announce-to ADDR] [--bind ADDR]
//              [--register HOST[:PORT]]... [--lock-step]
//
// Ctrl+C with players online asks first; with nobody online the server
// withdraws its announcement and ends. SIGTERM ends it without asking.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "client/state/data_files.h"
#include "protocol/base/quit_pipe.h"
#include "protocol/base/version.h"
#include "protocol/field_codec.h"
#include "protocol/open_play.h"
#include "server/served_files.h"
#include "server/server_app.h"
#include "server/status.h"

// The installed data folder, set by the build from the install prefix.
#ifndef KREL_INSTALLED_DATA_DIR
#define KREL_INSTALLED_DATA_DIR ""
#endif

namespace {

void Usage(std::FILE* out) {
  std::fputs(
      "usage: krelServer [--port N] [--announce-port N] [--announce-to ADDR] [--bind ADDR]\n"
      "                  [--register HOST[:PORT]]... [--lock-step] [--level FILE]\n"
      "                  [--arms FILE]\n"
      "       krelServer --help | --version\n"
      "  --port N           TCP port for the game clients (default 17384)\n"
      "  --announce-port N  UDP port of the announcements (default 17383)\n"
      "  --announce-to ADDR where the announcements go (default 255.255.255.255)\n"
      "  --bind ADDR        local address to accept clients on (default 0.0.0.0)\n"
      "  --register HOST[:PORT]  tell this list server (krelList, UDP port 17385 unless\n"
      "                     given) about this relay every few seconds; may be repeated;\n"
      "                     the name is looked up in the background and retried\n"
      "  --lock-step        every client waits for each batch, also one that could\n"
      "                     play ahead over a slow link (pipelined)\n"
      "  --level FILE       the level (a level.bmp) of open games: every client that\n"
      "                     can play open and has another level gets it and plays\n"
      "                     on it (clients of the basic protocol keep their own)\n"
      "  --arms FILE        the weapon file (an arms.dat) of open games, likewise;\n"
      "                     each client checks it with its own reader\n"
      "  Without --level or --arms the server names the shipped file, found where\n"
      "  krel looks: $XDG_DATA_HOME/krel (or ~/.local/share/krel), beside\n"
      "  krelServer, then " KREL_INSTALLED_DATA_DIR
      "; when none is there,\n"
      "  every client plays on its own. The start-up lines say which files it serves.\n",
      out);
}

// The folder of this program: the shipped files may lie beside it (the build
// folder).
std::string ProgramDirectory() {
  char buf[PATH_MAX + 1];
  const ssize_t n = ::readlink("/proc/self/exe", buf, PATH_MAX);
  if (n <= 0) return ".";
  const std::string path(buf, static_cast<std::size_t>(n));
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool ParsePort(const char* text, std::uint16_t* port) {
  char* end = nullptr;
  errno = 0;
  long v = std::strtol(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || v < 0 || v > 65535) return false;
  *port = static_cast<std::uint16_t>(v);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  krel::ServerOptions options;
  std::string level_path, arms_path;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      Usage(stdout);
      return 0;
    }
    if (arg == "--version") {
      std::printf("%s\n", krel::VersionLine().c_str());
      return 0;
    }
    if (arg == "--lock-step") {
      options.limits.queued_frames = 0;
      continue;
    }
    if (arg != "--port" && arg != "--announce-port" && arg != "--announce-to" && arg != "--bind" &&
        arg != "--register" && arg != "--level" && arg != "--arms") {
      std::fprintf(stderr, "krelServer: unknown option %s\n", arg.c_str());
      Usage(stderr);
      return 2;
    }
    if (i + 1 >= argc) {
      std::fprintf(stderr, "krelServer: %s needs a value\n", arg.c_str());
      Usage(stderr);
      return 2;
    }
    const char* value = argv[++i];
    bool ok = true;
    if (arg == "--port")
      ok = ParsePort(value, &options.port);
    else if (arg == "--announce-port")
      ok = ParsePort(value, &options.announce_port);
    else if (arg == "--announce-to")
      options.announce_to = value;
    else if (arg == "--bind")
      options.bind_address = value;
    else if (arg == "--register")
      options.register_with.push_back(value);
    else if (arg == "--arms" || arg == "--level") {
      // Checked with the game's own reader before any client gets it.
      const bool level = arg == "--level";
      std::string error;
      if (!krel::ReadServedFile(level ? krel::ServedFile::kLevel : krel::ServedFile::kArms, value,
                                level ? options.level_file : options.arms_file, error)) {
        std::fprintf(stderr, "krelServer: %s: %s\n", arg.c_str(), error.c_str());
        return 2;
      }
      (level ? level_path : arms_path) = value;
    } else {
      std::fprintf(stderr, "krelServer: unknown option %s\n", arg.c_str());
      Usage(stderr);
      return 2;
    }
    if (!ok) {
      std::fprintf(stderr, "krelServer: %s wants a port number 0..65535, not \"%s\"\n", arg.c_str(), value);
      return 2;
    }
  }

  std::vector<std::string> files_log;
  // Without --level or --arms the shipped file, found where krel finds its
  // own: the player's data folder, beside this program, the installed one.
  const std::vector<std::string> dirs = krel::DataSearchDirs(ProgramDirectory(), std::getenv("XDG_DATA_HOME"),
                                                             std::getenv("HOME"), KREL_INSTALLED_DATA_DIR);
  krel::FindShippedFile(krel::ServedFile::kLevel, dirs, level_path, options.level_file, files_log);
  krel::FindShippedFile(krel::ServedFile::kArms, dirs, arms_path, options.arms_file, files_log);

  const int quit_pipe = krel::QuitSignalPipe();
  if (quit_pipe < 0) {
    std::perror("krelServer: pipe");
    return 1;
  }
  signal(SIGPIPE, SIG_IGN);

  krel::EventLoop loop;
  krel::ServerApp app(loop, options);
  auto columns = [] {
    winsize ws{};
    return ioctl(STDOUT_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0 ? static_cast<int>(ws.ws_col) : 80;
  };
  krel::StatusDisplay status(app.relay(), stdout, isatty(STDOUT_FILENO) == 1, columns);
  app.on_event = [&](const std::string& line) { status.Event(line); };
  app.on_changed = [&] { status.Refresh(); };
  app.on_counters = [&] { status.Refresh(); };

  std::string error;
  if (!app.Start(&error)) {
    std::fprintf(stderr, "krelServer: cannot listen on TCP port %u: %s\n", options.port, error.c_str());
    return 1;
  }
  if (!app.StartRegistering(&error)) {
    std::fprintf(stderr, "krelServer: %s\n", error.c_str());
    return 1;
  }
  for (const std::string& target : options.register_with) status.Event("registering with the list server " + target);
  status.Event("Krel Server listening on TCP port " + std::to_string(app.port()) + ", announcing to " +
               options.announce_to + " UDP port " + std::to_string(options.announce_port));
  for (const std::string& line : files_log) status.Event(line);

  const bool can_ask = isatty(STDIN_FILENO) == 1;
  bool asking = false, done = false;
  auto finish = [&](bool withdraw) {
    if (withdraw) app.relay().Withdraw();
    done = true;
  };
  auto ask = [&] {
    asking = true;
    status.Clear();
    status.Hold(true);  // the status line would overwrite the question
    std::fputs(
        "Players are still online. Stop the Krel server anyway?\n"
        "This ends every game in progress.\n"
        "y and Enter: stop, n or Enter: keep running, Ctrl+C again: stop [y/n] ",
        stdout);
    std::fflush(stdout);
  };
  loop.Watch(quit_pipe, [&](short) {
    char sig = 0;
    while (read(quit_pipe, &sig, 1) == 1) {
      if (sig == SIGTERM) {
        finish(app.relay().PlayersOnline() == 0);
      } else if (app.relay().PlayersOnline() == 0) {
        finish(true);
      } else if (!can_ask || asking) {
        finish(false);  // nobody to ask, or asked twice: the answer is yes
      } else {
        ask();
      }
    }
  });
  if (can_ask) {
    loop.Watch(STDIN_FILENO, [&](short) {
      char line[256];
      ssize_t n = read(STDIN_FILENO, line, sizeof line);
      if (!asking) return;
      if (n <= 0) return finish(false);
      asking = false;
      status.Hold(false);
      if (line[0] == 'j' || line[0] == 'J' || line[0] == 'y' || line[0] == 'Y') return finish(false);
      status.Event("the server keeps running");
    });
  }

  while (!done) app.Yield(1000);
  status.Clear();
  std::fflush(stdout);
  return 0;
}
