// krelList: the list server. Relay servers register with it (krelServer
// --register), game clients ask it which relays are up. It never carries
// game traffic; see list_server.h for what it keeps and protocol/list_wire.cpp
// for the datagrams.
//
//   krelList [--port N] [--bind ADDR] [--expire SECONDS]
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string>

#include "list/list_server.h"
#include "protocol/base/quit_pipe.h"
#include "protocol/base/version.h"
#include "protocol/field_codec.h"
#include "protocol/net_loop.h"
#include "protocol/net_sockets.h"

namespace {

void Usage(std::FILE* out) {
  std::fputs(
      "usage: krelList [--port N] [--bind ADDR] [--expire SECONDS]\n"
      "       krelList --help | --version\n"
      "  --port N          UDP port for registrations and queries (default 17385)\n"
      "  --bind ADDR       local address to listen on (default 0.0.0.0)\n"
      "  --expire SECONDS  a relay not heard from for this long leaves the list (default 30)\n",
      out);
}

bool ParseNumber(const char* text, long low, long high, long* value) {
  char* end = nullptr;
  errno = 0;
  long v = std::strtol(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || v < low || v > high) return false;
  *value = v;
  return true;
}

void Log(const std::string& line) {
  char stamp[16] = "";
  std::time_t now = std::time(nullptr);
  std::strftime(stamp, sizeof stamp, "%H:%M:%S", std::localtime(&now));
  std::printf("%s %s\n", stamp, line.c_str());
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  long port = krel::kListPort;
  long expire_s = 30;
  std::string bind_address = "0.0.0.0";
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      Usage(stdout);
      return 0;
    }
    if (arg == "--version") {
      std::printf("%s\n", krel::VersionLine().c_str());
      return 0;
    }
    if (arg != "--port" && arg != "--bind" && arg != "--expire") {
      std::fprintf(stderr, "krelList: unknown option %s\n", arg.c_str());
      Usage(stderr);
      return 2;
    }
    if (i + 1 >= argc) {
      std::fprintf(stderr, "krelList: %s needs a value\n", arg.c_str());
      return 2;
    }
    const char* value = argv[++i];
    if (arg == "--bind") {
      bind_address = value;
    } else if (arg == "--port" && !ParseNumber(value, 0, 65535, &port)) {
      std::fprintf(stderr, "krelList: --port wants a port number 0..65535, not \"%s\"\n", value);
      return 2;
    } else if (arg == "--expire" && !ParseNumber(value, 1, 3600, &expire_s)) {
      std::fprintf(stderr, "krelList: --expire wants seconds 1..3600, not \"%s\"\n", value);
      return 2;
    }
  }

  const int quit_pipe = krel::QuitSignalPipe();
  if (quit_pipe < 0) {
    std::perror("krelList: pipe");
    return 1;
  }

  std::array<std::uint8_t, 16> secret{};
  std::random_device random;
  for (auto& b : secret) b = static_cast<std::uint8_t>(random());
  krel::ListLimits limits;
  limits.expire_ms = expire_s * 1000;
  krel::ListServer list(limits, secret);

  // A burst of changes (thousands of relays at once) must not flood the
  // terminal: at most this many lines a second, then a count of the rest.
  constexpr int kLinesPerSecond = 20;
  int lines_this_second = 0, untold = 0;
  list.on_event = [&](const std::string& line) {
    if (++lines_this_second <= kLinesPerSecond)
      Log(line);
    else
      ++untold;
  };

  krel::EventLoop loop;
  krel::UdpSocket socket(loop);
  std::string error;
  if (!socket.Bind(static_cast<std::uint16_t>(port), bind_address, &error)) {
    std::fprintf(stderr, "krelList: cannot listen on UDP port %ld: %s\n", port, error.c_str());
    return 1;
  }
  std::string reply;
  socket.OnDatagramFrom = [&](const std::string& datagram, const krel::UdpPeer& from) {
    list.Datagram(datagram, from.address_be, from.port, krel::EventLoop::NowMs(), reply);
    if (!reply.empty()) socket.SendTo(from, reply);
  };
  krel::Timer second(loop, 1000, [&] {
    list.Expire(krel::EventLoop::NowMs());
    if (untold > 0) Log(std::string("(").append(std::to_string(untold)).append(" more changes not shown)"));
    lines_this_second = untold = 0;
  });
  second.Enable(true);
  bool done = false;
  loop.Watch(quit_pipe, [&](short) { done = true; });

  Log("Krel list server listening on UDP port " + std::to_string(socket.port()) + " (entries expire after " +
      std::to_string(expire_s) + " s)");
  while (!done) loop.Yield(1000);
  Log("ending with " + std::to_string(list.size()) + " relays listed; " +
      std::to_string(list.counters().registrations) + " registrations, " + std::to_string(list.counters().queries) +
      " queries, " + std::to_string(list.counters().dropped) + " datagrams dropped");
  return 0;
}
