// What a client receives, once per cycle, in one write (the batch):
//
//   "n" count                 raw byte: worms in the game
//   "d" x[4] y[4] radius[4]   digs, and "c" text 0 chat lines, of the cycle
//   per worm, in this client's numbering (own worms 1 and 2 first):
//     "w" / "o" color[4] x Y dx dy[3] ty[2]   its shots and objects
//     "s" 4[4] x Y dx dy[3] ty[2]             its special objects
//     "p" / "i" / "I" record                  then its state
//
// and once, after the greeting, "C" lives[4] loading[4] landc[6]; a pipelined
// client also "P", and the round-trip probes "T" and tables "L"
// (protocol/pipelined.h, protocol/round_trip.h).
#include "client/net/incoming.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "client/net/net_client.h"
#include "client/net/session.h"
#include "client/simulation/report/dump.h"
#include "client/simulation/report/trace.h"
#include "client/simulation/terrain/level.h"
#include "client/simulation/weapons/objects.h"
#include "client/simulation/weapons/shots.h"
#include "client/state/chat.h"
#include "protocol/worm_codec.h"

namespace krel {

namespace {

struct EventFields {
  fixed first, x, Y, dx, dy;
  int16 ty = 0;
};

EventFields TakeEvent(WireReader& in) {
  EventFields e;
  TakeField(in, e.first, KindShort);
  for (fixed* v : {&e.x, &e.Y, &e.dx, &e.dy}) TakeField(in, *v, KindFixed);
  TakeField(in, e.ty, KindByte);
  return e;
}

// A worm holding another on its rope names it in the sender's numbering;
// the held worm is the one at the hook in this client's own.
void RederiveRope(World& w, Player& pl) {
  if (pl.RopeState >= 0) return;
  const int last = std::min<int>(w.NumPlayers, kMaxNetPlayers);
  for (int j = 1; j <= last; ++j) {
    const Player& other = w.Players[static_cast<std::size_t>(j)];
    if (std::abs((other.X - pl.RopeX).ToDouble()) < 4 && std::abs((other.Y - pl.RopeY).ToDouble()) < 4)
      pl.RopeState = static_cast<int16>(-j);
  }
}

// The state of the next worm of the batch; false when it is cut short.
bool TakeWormState(World& w, NetClient& n, WireReader& in, char tag) {
  int k = n.RecvIndex + 1;
  if (k > w.NumPlayers) k = 1;
  Player& pl = w.Players[static_cast<std::size_t>(k)];
  // Decoded into a copy, so a cut record leaves the worm as it was.
  Player copy = pl;
  DecodeWormState(tag, in, copy);
  if (in.Incomplete) return false;
  if (n.Pipelined && k <= 2) {
    // Pipelined, the batch brings this client's own worms back as they were
    // a round trip ago; only the score, which the server keeps, is news.
    pl.Lives = copy.Lives;
    pl.Kills = copy.Kills;
  } else {
    copy.SetName(copy.Name);
    pl = copy;
    RederiveRope(w, pl);
  }
  n.RecvIndex = k;
  // The batch is complete with its last state: two batches that arrive
  // together each complete on their own.
  if (n.RecvIndex >= w.NumPlayers) {
    w.NetFrameReady = kTrue;
    n.RecvIndex = 0;
    n.LastBatchTick = TickCount(w);
    if (n.PlayerSetChanged) {
      n.PlayerSetChanged = false;
      n.RestartPending = true;
      n.Batches = 0;
      // Lock-step, nothing more can come before this client's next state.
      if (n.Pipelined) n.HoldReceive = true;
    }
    ++n.Batches;
    if (n.Batches % 50 == 0 && (!w.DumpPath.empty() || w.trace != nullptr)) {
      const std::string line = BatchDumpLine(w, n.Batches);
      std::string error;
      if (!w.DumpPath.empty() && !AppendDumpLine(w.DumpPath, line, error)) {
        std::fprintf(stderr, "krel: %s\n", error.c_str());
        w.ReportWriteFailed = true;
      }
      if (w.trace != nullptr) w.trace->Batch(line);
    }
  }
  return true;
}

enum class Step { kNext, kWait, kRefuse };

// A relayed shot, object, special object or dig against the work bound of a
// batch; counted once it is complete (a cut one is decoded again when the
// rest arrives). A dig larger than any game digs is refused outright.
Step CheckEvent(NetClient& n, const WireReader& in, char tag) {
  WireReader peek = in;
  if (tag == 'd') {
    int16 x = 0, y = 0, radius = 0;
    for (int16* v : {&x, &y, &radius}) TakeField(peek, *v, KindShort);
    if (!peek.Incomplete && std::abs(static_cast<int>(radius)) > kMaxDigRadius) return Step::kRefuse;
  } else {
    TakeEvent(peek);
  }
  if (peek.Incomplete) return Step::kWait;
  return CountEvent(n.BatchEvents, tag, 0, kBatchEventBound) ? Step::kNext : Step::kRefuse;
}

// Pipelined play: a relayed event of an own worm that this client applied
// at once when it happened is skipped (client/net/predictions.h). The
// event's bytes are complete (CheckEvent has looked).
bool IsEchoOfPrediction(World& w, NetClient& n, WireReader& in, char tag, int16 owner) {
  if (!n.Pipelined || owner > 2) return false;
  WireReader peek = in;
  TakeEvent(peek);
  const std::string_view body = in.rest.substr(0, in.rest.size() - peek.rest.size());
  if (!n.Predicted.MatchEcho(tag, owner, body, TickCount(w))) return false;
  in.rest = peek.rest;
  return true;
}

// A tag this client does not expect: whatever follows cannot be read in step
// with it, so it is dropped rather than stall the game.
Step DropRest(WireReader& in) {
  in.rest = {};
  return Step::kNext;
}

// Each worm's round trip, in the batch's order (protocol/round_trip.h).
Step TakeRoundTrips(World& w, WireReader& in) {
  int count = 0;
  if (!TakeRawByte(in, count)) return Step::kWait;
  if (count > kMaxBatchWorms) return Step::kRefuse;
  std::array<int32, kMaxPlayerSlots> ms;
  ms.fill(-1);
  for (int k = 1; k <= count; ++k) {
    int16 v = -1;
    TakeField(in, v, KindShort);
    ms[static_cast<std::size_t>(k)] = std::max<int32>(v, -1);
  }
  if (in.Incomplete) return Step::kWait;
  w.NetStats.RoundTripMs = ms;
  return Step::kNext;
}

Step TakeMessage(World& w, NetClient& n, WireReader& in) {
  const char tag = in.rest.front();
  in.rest.remove_prefix(1);
  const auto owner = static_cast<int16>(n.RecvIndex + 1);
  if (tag == 'w' || tag == 'o' || tag == 's' || tag == 'd') {
    if (const Step step = CheckEvent(n, in, tag); step != Step::kNext) return step;
    if (tag != 'd' && IsEchoOfPrediction(w, n, in, tag, owner)) return Step::kNext;
  }
  switch (tag) {
    case 'p':
    case 'i':
    case 'I': return TakeWormState(w, n, in, tag) ? Step::kNext : Step::kWait;
    case 'n': {
      int count = 0;
      if (!TakeRawByte(in, count)) return Step::kWait;
      if (count > kMaxBatchWorms) return Step::kRefuse;
      if (count != w.NumPlayers) n.PlayerSetChanged = true;
      n.BatchEvents = {};
      w.NumPlayers = static_cast<int16>(count);
      // A batch starts here. One that came short (a slot whose client had
      // not sent its state yet) must not shift the states of this one onto
      // the wrong worms.
      n.RecvIndex = 0;
      return Step::kNext;
    }
    case 'w': AddShotFromString(w, in, owner); break;
    case 'o': AddObjectFromString(w, in, owner); break;
    case 's': AddSObjectFromString(w, in, owner); break;
    case 'd': DigFromString(w, in, owner); break;
    case 'C': ParseConfigData(w, in); break;
    case 'P': {
      // The server plays this client pipelined (sent only to a client that
      // asked); a version of the mode this client does not know is left alone.
      int version = 0;
      if (!TakeRawByte(in, version)) return Step::kWait;
      if (version >= kOldestPipelineVersion && version <= kPipelineVersion) StartPipelined(w, version);
      return Step::kNext;
    }
    case 'T': {
      // A round-trip probe (protocol/round_trip.h): answered at once, so the
      // time it took is the link's and not this client's frame.
      if (!n.Pipelined) return DropRest(in);
      int32 stamp = 0;
      TakeField(in, stamp, KindLong);
      if (in.Incomplete) return Step::kWait;
      std::string answer = "T";
      AppendFieldWhole(answer, stamp, KindLong);
      if (n.ws.state() == TcpConnection::kConnected) n.ws.Send(answer);
      return Step::kNext;
    }
    case 'L': return n.Pipelined ? TakeRoundTrips(w, in) : DropRest(in);
    case 'c': {
      const std::size_t end = in.rest.find('\0');
      if (end == std::string_view::npos) return Step::kWait;
      if (!CountEvent(n.BatchEvents, 'c', end + 2, kBatchEventBound)) return Step::kRefuse;
      ShowChatLine(w, std::string(in.rest.substr(0, end)));
      in.rest.remove_prefix(end + 1);
      return Step::kNext;
    }
    default: return DropRest(in);
  }
  return in.Incomplete ? Step::kWait : Step::kNext;
}

}  // namespace

void AddShotFromString(World& w, WireReader& in, int16 owner) {
  const EventFields e = TakeEvent(in);
  if (!in.Incomplete) AddShot(w, e.x, e.Y, e.dx, e.dy, owner, e.ty, e.first.ToInt16(), Origin::kNetwork);
}

void AddObjectFromString(World& w, WireReader& in, int16 owner) {
  const EventFields e = TakeEvent(in);
  if (!in.Incomplete) AddObj(w, e.x, e.Y, e.dx, e.dy, owner, e.ty, e.first.ToInt16(), Origin::kNetwork);
}

void AddSObjectFromString(World& w, WireReader& in, int16 owner) {
  const EventFields e = TakeEvent(in);
  if (!in.Incomplete) AddSObj(w, e.x, e.Y, e.dx, e.dy, owner, e.ty, Origin::kNetwork);
}

void DigFromString(World& w, WireReader& in, int16 owner) {
  int16 x = 0, y = 0, radius = 0;
  for (int16* v : {&x, &y, &radius}) TakeField(in, *v, KindShort);
  if (!in.Incomplete) Dig(w, x, y, radius, owner, Origin::kNetwork);
}

void ParseConfigData(World& w, WireReader& in) {
  int16 lives = 0, loading = 0;
  bool landc = false;
  TakeField(in, lives, KindShort);
  TakeField(in, loading, KindShort);
  TakeField(in, landc, KindFlag);
  if (in.Incomplete) return;
  w.LivesSetting = lives;
  w.LoadingSetting = loading;
  w.LoadAndChange = ToFlag(landc);
  w.ConfigReceived = kTrue;
}

bool ProcessReceived(World& w) {
  if (w.net == nullptr) return true;
  NetClient& n = *w.net;
  std::string_view rest = n.RecvBuffer;
  while (!rest.empty() && !n.HoldReceive) {
    WireReader in(rest);
    const Step step = TakeMessage(w, n, in);
    if (step == Step::kRefuse) return false;
    if (step == Step::kWait) break;  // the message starts again from its tag
    rest = in.rest;
  }
  n.RecvBuffer.erase(0, n.RecvBuffer.size() - rest.size());
  return n.RecvBuffer.size() <= kMaxReceiveBuffer;
}

}  // namespace krel
