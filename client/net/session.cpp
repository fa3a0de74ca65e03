// The client's side of a network game: the per-frame send, the batches that
// pace the game, chat lines and the end of the connection.
#include "client/net/session.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <utility>

#include "client/net/incoming.h"
#include "client/net/net_client.h"
#include "client/simulation/weapons/arms.h"
#include "client/state/chat.h"
#include "protocol/pipelined.h"
#include "protocol/worm_codec.h"

namespace krel {

namespace {

constexpr int kConnected = TcpConnection::kConnected;
// How long the line about a lost server stays on screen at least (5 s).
constexpr int32 kNoticeFrames = 125;

void Send(World& w, const std::string& bytes) {
  if (w.net != nullptr) w.net->ws.Send(bytes);
}

// Read in chunks, each handled before the next is read, so the bounds
// apply as data comes in; at most kReadPerTurn bytes per notification, so a
// flood cannot hold the game in here.
constexpr std::size_t kReadChunk = 16 * 1024;
constexpr std::size_t kReadPerTurn = 256 * 1024;

void DataArrival(World& w) {
  NetClient& n = *w.net;
  // What RecvBuffer holds already comes first (the connection attempt hands
  // over what arrived while it waited), then the socket's bytes.
  for (std::size_t total = 0;;) {
    if (!ProcessReceived(w)) {
      ConnectionLost(w);
      return;
    }
    if (total >= kReadPerTurn || n.ws.state() != kConnected) return;
    const std::size_t got = n.ws.ReadSome(n.RecvBuffer, kReadChunk);
    if (got == 0) return;
    total += got;
  }
}

bool ParsePort(const char* text, std::uint16_t& port) {
  if (text == nullptr || *text == '\0') return true;
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  if (*end != '\0' || v < 1 || v > 65535) return false;
  port = static_cast<std::uint16_t>(v);
  return true;
}

}  // namespace

void AttachNetwork(World& w, NetClient& net) {
  w.net = &net;
  net.ws.OnData = [&w](std::size_t) { DataArrival(w); };
  // Closed by the server: the game goes on locally, and says so.
  net.ws.OnClose = [&w] { ConnectionLost(w); };
  // A server that went away with data of ours unread resets the connection
  // instead of closing it; for the player that is the same lost server.
  // Any other socket error closes quietly.
  net.ws.OnError = [&w](int code, const std::string&) {
    if (code == ECONNRESET || code == ECONNABORTED || code == EPIPE)
      ConnectionLost(w);
    else
      CloseConnection(w);
  };
}

void NetPortsFromEnvironment(NetClient& net, std::string& warning) {
  if (!ParsePort(std::getenv("KREL_TCP_PORT"), net.tcpPort))
    warning += "KREL_TCP_PORT is not a port number (1-65535); using " + std::to_string(net.tcpPort) + "\n";
  if (!ParsePort(std::getenv("KREL_UDP_PORT"), net.udpPort))
    warning += "KREL_UDP_PORT is not a port number (1-65535); using " + std::to_string(net.udpPort) + "\n";
}

void NetYield(World& w) {
  if (w.net == nullptr) return;
  w.net->loop.Yield(0);
  w.Connection = static_cast<ConnectionState>(w.net->ws.state());
  const bool pipelined = w.net->Pipelined && w.Connection == ConnectionState::kConnected;
  w.NetStats.Pipelined = pipelined;
  w.NetStats.PredictOwn = pipelined && w.net->PredictOwn;
  w.NetStats.RelayDrawings = w.net->OpenPlay && w.Connection == ConnectionState::kConnected;
  w.NetStats.BatchSilenceMs = pipelined ? TickCount(w) - w.net->LastBatchTick : 0;
}

void SendMyData(World& w) {
  // A new frame: its own events have the whole bound again.
  if (w.net != nullptr) w.net->FrameEvents = {};
  if (w.net == nullptr || w.net->ws.state() != kConnected) {
    w.OutBuffer.clear();
    w.NetFrameReady = kTrue;  // a local game never waits
    return;
  }
  // Pipelined, the next frame need not wait for this one's batch.
  if (!w.net->Pipelined) w.NetFrameReady = kFalse;
  // A spectator only waits for the next batch: it has nothing to send.
  if (w.net->Watch) {
    w.OutBuffer.clear();
    // Once, from the game's set-up: ready for the batches.
    if (!w.net->WatchReady) Send(w, "W");
    w.net->WatchReady = true;
    NetYield(w);
    return;
  }
  std::string block = std::move(w.OutBuffer);
  w.OutBuffer.clear();
  // The server keeps a pipelined client's score; these states start a new
  // game, whose score is the client's (protocol/pipelined.h).
  if (std::exchange(w.net->SayNewGame, false)) block += 'R';
  for (int p = 1; p <= 2; ++p) {
    block += 'p';
    EncodeWormFull(block, w.Players[static_cast<std::size_t>(p)], w.SentPlayers[static_cast<std::size_t>(p)],
                   WormRefs::Client);
  }
  Send(w, block);
  NetYield(w);
}

bool TakeRestart(World& w) {
  if (w.net == nullptr || !w.net->RestartPending) return false;
  w.net->RestartPending = false;
  w.net->SayNewGame = w.net->Pipelined && w.net->PipelineVersion >= kRestartMessageVersion;
  return true;
}

std::string ServerLevelFolder(const World& w) {
  return w.net != nullptr && w.Networked() ? w.net->ServerLevelDir : std::string();
}

bool ServerFilesAwaited(const World& w) {
  return w.net != nullptr && w.Networked() && (w.net->AwaitedFiles[0] || w.net->AwaitedFiles[1]);
}

bool UseServerArms(World& w, std::string& error) {
  if (w.net == nullptr || !w.Networked() || w.net->ServerArmsDir.empty() || w.net->ArmsFromServer) return false;
  ArmsError arms_error;
  if (!LoadArms(w, w.net->ServerArmsDir + "/arms.dat", arms_error)) {
    error = arms_error.Message();
    return false;
  }
  w.net->ArmsFromServer = true;
  return true;
}

bool TakeServerArmsUsed(World& w) {
  if (w.net == nullptr || !w.net->ArmsFromServer) return false;
  w.net->ArmsFromServer = false;
  return true;
}

bool Watching(const World& w) { return w.net != nullptr && w.net->Watch && w.Networked(); }

int FreePlacesToPlay(const World& w) {
  if (!Watching(w)) return 0;
  // Worm 0 is no worm; every client in the game has two.
  constexpr int kPlaces = (kMaxNetPlayers - 1) / 2;
  return std::clamp(kPlaces - w.NumPlayers / 2, 0, kPlaces);
}

bool TakeServerLevel(World& w) {
  if (w.net == nullptr || !w.net->LevelFromServer) return false;
  w.net->LevelFromServer = false;
  return true;
}

void ConnectionLost(World& w) {
  const bool was_open = w.Networked();
  CloseConnection(w);
  ShowChatLine(w, "NETWORK CONNECTION LOST");
  // Said in words a player understands, where it cannot be missed: the
  // others' worms stay where they were and this player's go on alone.
  if (was_open) {
    w.Notice = "SERVER CONNECTION LOST: PLAYING ON LOCALLY";
    w.NoticeFrames = kNoticeFrames;
  }
}

void StartPipelined(World& w, int version) {
  // A spectator plays every batch as it comes, never ahead.
  if (w.net == nullptr || !w.net->AskPipelined || w.net->Pipelined || w.net->Watch) return;
  w.net->Pipelined = true;
  w.net->PipelineVersion = version;
  w.net->LastBatchTick = TickCount(w);
  w.NetStats.Pipelined = true;
  w.NetStats.PredictOwn = w.net->PredictOwn;
  w.NetFrameReady = kTrue;
}

bool BatchOverdue(World& w, std::uint32_t ms) {
  if (w.net == nullptr || !w.net->Pipelined || w.Connection != ConnectionState::kConnected) return false;
  return TickCount(w) - w.net->LastBatchTick > ms;
}

void ResumeReceiving(World& w) {
  if (w.net == nullptr || !w.net->HoldReceive) return;
  w.net->HoldReceive = false;
  if (!ProcessReceived(w)) ConnectionLost(w);
}

void CloseConnection(World& w) {
  if (w.net != nullptr) {
    w.net->ws.Close();
    // Given back, not just emptied: a hostile server may have made it large.
    std::string().swap(w.net->RecvBuffer);
    w.net->BatchEvents = {};
    w.net->FrameEvents = {};
    w.net->RecvIndex = 0;
    w.net->PlayerSetChanged = false;
    w.net->RestartPending = false;
    w.net->SayNewGame = false;
    w.net->Batches = 0;
    w.net->Pipelined = false;
    w.net->HoldReceive = false;
    w.net->OpenPlay = false;
    w.net->LevelFromServer = false;
    w.net->Entered = false;
    w.net->InBatch = false;
    w.net->WatchReady = false;
    w.net->ServerLevelDir.clear();
    w.net->ServerArmsDir.clear();
    w.net->AwaitedFiles = {};
    w.net->Predicted.clear();
  }
  w.Connection = ConnectionState::kClosed;
  w.NetStats.RoundTripMs.fill(-1);
  w.NetStats.Pipelined = false;
  w.NetStats.PredictOwn = false;
  w.NetStats.RelayDrawings = false;
  w.NetStats.BatchSilenceMs = 0;
}

void SendChatLine(World& w, const std::string& text) {
  // Beyond the bound of one frame the line is dropped, as the relay would
  // refuse it.
  if (w.net != nullptr && !CountEvent(w.net->FrameEvents, 'c', text.size() + 2, kFrameEventBound)) return;
  std::string message = "c" + text;
  message += '\0';
  Send(w, message);
}

}  // namespace krel
