// krel-bot ADDRESS [--count N]: fills a relay server with computer players.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "client/app/startup.h"
#include "client/net/net_client.h"
#include "client/state/data_files.h"
#include "tools/krel-bot/bot.h"

#ifndef KREL_INSTALLED_DATA_DIR
#define KREL_INSTALLED_DATA_DIR ""
#endif

namespace {

std::atomic<bool> g_stop{false};

void OnSignal(int) { g_stop = true; }

const char* kUsage =
    "usage: krel-bot ADDRESS [--count N] [--port N] [--frames N] [--wait-for N] [--lives N]\n"
    "                [--seed N] [--data DIR] [--dump DIR] [--player cpu|ace|ace:N]\n"
    "                [--paced [--lock-step]] [--number-from N] [--drop-after N] [--watch]\n"
    "                [--play-after N]\n"
    "Joins the relay server at ADDRESS (IPv4) as N clients (1-8, default 1), each with\n"
    "both worms played by the computer, as fast as the server's batches come.\n"
    "  --port N    the server's TCP port (default 17384, or KREL_TCP_PORT)\n"
    "  --frames N  each bot leaves after N frames (default: plays until Ctrl+C)\n"
    "  --wait-for N  the worms enter play only once N clients are in the game\n"
    "              (default: the bots' own count; they always wait for one another)\n"
    "  --lives N   lives per worm if the bots' settings become the game's (default 15;\n"
    "              krelServer holds a game to 1 to 50)\n"
    "  --seed N    bot k plays from seed N + k (default: from the clock)\n"
    "  --data DIR  folder of arms.dat and level.bmp (default: where krel looks for them)\n"
    "  --dump DIR  bot k appends the game's KREL_DUMP lines to DIR/bot-k.jsonl\n"
    "  --player cpu|ace|ace:N  the computer player of the worms (default cpu); ace:N is the\n"
    "                    ace at strength N from 1 (easiest) to 5, a plain ace the strongest\n"
    "  --paced     frames every 40 ms in real time, as a person's client plays; asks\n"
    "              the server to play it pipelined (frames need not wait for batches)\n"
    "              and reports frames/s, batches/s and how late the others' worms are\n"
    "  --lock-step with --paced: wait for every batch all the same\n"
    "  --watch     each bot watches the open game running on the server instead of\n"
    "              playing (no worms of its own)\n"
    "  --play-after N  watches (as --watch), and after N frames presses its jump key\n"
    "              until the game has a free place, takes it and plays (connecting\n"
    "              again to the same server, as a newcomer)\n"
    "  --drop-after N  each bot drops its connection after N frames, as a lost one,\n"
    "              and comes back 2 s later with the token the server gave it\n"
    "  --number-from N  the bots are numbered from N (default 1): their worms' names\n"
    "              (\"Bot Na\", \"Bot Nb\"), seeds and dump files, for bots of several\n"
    "              processes in one game\n"
    "Exit status 0 when every bot played until its end, 1 when one could not connect\n"
    "or lost its connection, 2 on a wrong command line.\n";

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  for (const std::string& a : args) {
    if (a == "--help" || a == "-h") {
      std::cout << kUsage;
      return 0;
    }
  }
  krel::bot::BotOptions o;
  // Where krel itself looks: the player's data folder, beside the program,
  // the installed data folder.
  o.data_dir = krel::FindDataDir(krel::DataSearchDirs(krel::ProgramDirectory(), std::getenv("XDG_DATA_HOME"),
                                                      std::getenv("HOME"), KREL_INSTALLED_DATA_DIR),
                                 "arms.dat");
  krel::NetClient ports;
  std::string warning;
  krel::NetPortsFromEnvironment(ports, warning);
  std::cerr << warning;
  o.port = ports.tcpPort;
  std::string error;
  if (!krel::bot::ParseBotArgs(args, o, error)) {
    std::cerr << "krel-bot: " << error << "\n" << kUsage;
    return 2;
  }
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  std::signal(SIGPIPE, SIG_IGN);
  bool ok = true;
  for (const krel::bot::BotReport& r : krel::bot::RunBots(o, g_stop)) {
    std::cout << r.Line() << "\n";
    ok = ok && r.Ok();
  }
  return ok ? 0 : 1;
}
