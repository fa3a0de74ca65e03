// The client's sockets and receive state for network games. The program
// owns one NetClient and hands it to the game through World::net; without
// one (the tests of local play) every game is local.
//
// Everything happens on the game thread: socket notifications run only when
// the game yields (NetYield, called from the window-event routine and at the
// end of every send).
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "client/net/predictions.h"
#include "client/state/world.h"
#include "protocol/event_limits.h"
#include "protocol/net_sockets.h"
#include "protocol/open_play.h"
#include "protocol/pipelined.h"

namespace krel {

inline constexpr std::uint16_t kGamePort = 17384;
inline constexpr std::uint16_t kAnnouncePort = 17383;
// A player table holds worms 1..17; a batch announcing more is refused.
inline constexpr int kMaxBatchWorms = kMaxNetPlayers;
// Bytes that may wait in RecvBuffer for the end of a message. The longest
// message a game brings is a chat line of a few dozen bytes, a worm's state
// about 150; a whole batch of 17 worms with a real game's events is a few
// KB and is taken message by message as it arrives. More waiting cannot be
// a game's data: the connection counts as lost.
inline constexpr std::size_t kMaxReceiveBuffer = 256 * 1024;

struct NetClient {
  EventLoop loop;
  TcpConnection ws{loop};
  UdpSocket wsListen{loop};

  std::uint16_t tcpPort = kGamePort;
  std::uint16_t udpPort = kAnnouncePort;

  std::string RecvBuffer;
  int RecvIndex = 0;
  // Events of the batch being received (since its "n"), against
  // kBatchEventBound: a batch that asks more work is no game's.
  EventCounts BatchEvents;
  // This client's own events of the current frame, against
  // kFrameEventBound: what goes beyond it is dropped, as by a full table,
  // so that the relay never has to end this client.
  EventCounts FrameEvents;
  bool PlayerSetChanged = false;
  // Set when a batch with a new set of worms is complete; the frame loop
  // restarts the game state at its next safe point.
  bool RestartPending = false;
  // Batches completed since the set of worms last changed: the same count
  // on every client of the game.
  std::int64_t Batches = 0;

  // Pipelined play over slow links (the handshake: protocol/pipelined.h):
  // the client runs its 40 ms frames without waiting for the batches.
  // AskPipelined false keeps this client in lock-step (it waits for every
  // batch); Pipelined is set once the server agreed.
  bool AskPipelined = true;
  bool Pipelined = false;
  // The version of the mode the server answered with, and whether the next
  // frame must tell it that the game started again.
  int PipelineVersion = 0;
  bool SayNewGame = false;
  // Pipelined, own shots, objects and blasts act at once (false: they wait
  // for the batch, as in lock-step).
  bool PredictOwn = true;
  // Tick count of the last completed batch (pipelined frames never wait, so
  // this is how a silent server is noticed).
  std::uint32_t LastBatchTick = 0;
  // A batch changed the set of worms: what follows it waits in RecvBuffer
  // until the game has started again, so that no later dig lands on the
  // level that the restart loads anew.
  bool HoldReceive = false;

  // Open play (protocol/open_play.h), asked for together with pipelined
  // play: set once the server agreed. Then the set of worms changes without
  // a restart ("L", "A") and the game can be joined while it runs.
  bool OpenPlay = false;
  // Joining a running game: the server's level has replaced the level file
  // (the game's set-up must not load the file over it).
  bool LevelFromServer = false;
  // The folder of the level this server named (server_level.h); empty: the
  // player's own level.
  std::string ServerLevelDir;
  // The same for the weapon file, and whether the game's tables hold it now
  // (the player's own are loaded again when the game ends).
  std::string ServerArmsDir;
  bool ArmsFromServer = false;
  // The files the server named ("U") that differ from this client's own and
  // were asked for: their checksums until they have come ("V" level, "F"
  // weapons; index 0 level, 1 weapons). The game waits for them to start.
  std::array<std::optional<std::uint32_t>, 2> AwaitedFiles;
  // Joining: "E" has come, the batches follow.
  bool Entered = false;
  // Watch instead of play (protocol/open_play.h): asked with the settings;
  // this client then sends no states and shows every worm in slot order.
  bool Watch = false;
  // The spectator's game is set up and the server told so (a second "W").
  bool WatchReady = false;
  // Coming back after a lost connection (protocol/open_play.h): the address
  // of the last connection attempt, and the token its server gave, which
  // goes with the settings when this client connects there again.
  std::string Address;
  std::string ReturnToken;
  std::string ReturnAddress;
  // Between a batch's "n" and its last state: open play's notes come only
  // outside.
  bool InBatch = false;

  // Own shots, objects and special objects applied at once whose echo the
  // batches have not brought yet (pipelined play).
  Predictions Predicted;

  // Announced servers: one byte with the player count, then the address.
  std::vector<std::string> ServerList;
  // Servers of ServerList whose open game runs (protocol/open_play.h), by
  // address: the places free in it to play and to watch.
  std::map<std::string, std::pair<int, int>> OpenPlaces;
  // Servers of ServerList whose game has not started and that tell more of
  // it (protocol/open_play.h), by address.
  struct WaitingGame {
    int play_places = 0;
    bool lock_step_paced = false;  // a client in lock-step sets the game's pace
  };
  std::map<std::string, WaitingGame> WaitingGames;
};

// Connects the socket notifications to the game state of w and sets w.net.
void AttachNetwork(World& w, NetClient& net);

// Lets pending socket notifications run, then mirrors the socket's state
// into w.Connection. Harmless without a network.
void NetYield(World& w);

// The ports from KREL_TCP_PORT and KREL_UDP_PORT when set (so tests can run
// side by side); an unreadable value keeps the default and is reported.
void NetPortsFromEnvironment(NetClient& net, std::string& warning);

}  // namespace krel
