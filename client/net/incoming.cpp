// What a client receives, once per cycle, in one write (the batch):
//
//   "n" count                 raw byte: worms in the game
//   "d" x[4] y[4] radius[4]   digs, and "c" text 0 chat lines, of the cycle
//                             (in open play also "D" tile[4] x[4] y[4],
//                             objects' pictures drawn into the level)
//   per worm, in this client's numbering (own worms 1 and 2 first):
//     "w" / "o" color[4] x Y dx dy[3] ty[2]   its shots and objects
//     "s" 4[4] x Y dx dy[3] ty[2]             its special objects
//     "p" / "i" / "I" record                  then its state
//
// and once, after the greeting, "C" lives[4] loading[4] landc[6]; a pipelined
// client also "P", and the round-trip probes "G" and tables "M"
// (protocol/pipelined.h, protocol/round_trip.h); one in open play the notes
// and files of protocol/open_play.h.
#include "client/net/incoming.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>

#include "client/net/level_snapshot.h"
#include "client/net/net_client.h"
#include "client/net/roster.h"
#include "client/net/server_level.h"
#include "client/net/session.h"
#include "client/simulation/report/dump.h"
#include "client/simulation/report/trace.h"
#include "client/simulation/terrain/level.h"
#include "client/simulation/terrain/tiles.h"
#include "client/simulation/weapons/objects.h"
#include "client/simulation/weapons/shots.h"
#include "client/state/chat.h"
#include "client/state/data_files.h"
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

// Open play's sync guard: every client reports its level at the same
// batches ("K" batch[5] checksum[4 raw]); one whose level differs from the
// others' gets it again ("Y").
constexpr std::int64_t kLevelCheckBatches = 50;

void ReportLevel(World& w, NetClient& n) {
  std::string message = "K";
  AppendField(message, static_cast<int>(std::min<std::int64_t>(n.Batches, 2147483647)), 0, KindLong);
  AppendRawLong(message, LevelChecksum(w));
  n.ws.Send(message);
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
    n.InBatch = false;
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
    if (n.OpenPlay && n.Batches % kLevelCheckBatches == 0) ReportLevel(w, n);
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

// A tag this client does not expect: whatever follows cannot be read in step
// with it, so it is dropped rather than stall the game.
Step DropRest(WireReader& in) {
  in.rest = {};
  return Step::kNext;
}

// The checksum of this client's own copy of a data file (none when it
// cannot be read: then any file the server names differs).
std::optional<std::uint32_t> OwnFileChecksum(const World& w, const std::string& name) {
  std::ifstream in(DataFile(w, name), std::ios::binary);
  if (!in) return std::nullopt;
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return FileChecksum(bytes);
}

// Said once on stderr: why the connection to a server ends here.
Step Refuse(const std::string& why) {
  std::fprintf(stderr, "krel: %s\n", why.c_str());
  return Step::kRefuse;
}

// A length-prefixed block of open play: its bytes once they are all in.
Step TakeBlock(WireReader& in, std::size_t bound, const char* what, std::string_view& block) {
  std::uint32_t length = 0;
  if (!TakeRawLong(in, length)) return Step::kWait;
  if (length > bound)
    return Refuse(std::string(what) + " from the server is " + std::to_string(length) + " bytes (at most " +
                  std::to_string(bound) + ")");
  if (in.rest.size() < length) {
    in.Incomplete = true;
    return Step::kWait;
  }
  block = in.rest.substr(0, length);
  in.rest.remove_prefix(length);
  return Step::kNext;
}

// "Q": the level as this client has it now goes to the server.
void SendLevel(World& w, NetClient& n) {
  const std::string level = EncodeLevelSnapshot(w.LevelSurface);
  std::string message = "Z";
  AppendRawLong(message, static_cast<std::uint32_t>(level.size()));
  n.ws.Send(message + level);
}

// "Z": the level of the game this client joins, checked like a file.
Step TakeServerLevel(World& w, NetClient& n, WireReader& in) {
  std::string_view blob;
  if (const Step step = TakeBlock(in, kMaxLevelSnapshotBytes, "the level", blob); step != Step::kNext) return step;
  std::string error;
  Surface level;
  if (!DecodeLevelSnapshot(blob, level, error)) return Refuse(error);
  w.LevelSurface = std::move(level);
  w.LevelWidth = w.LevelSurface.width();
  w.LevelHeight = w.LevelSurface.height();
  n.LevelFromServer = true;
  return Step::kNext;
}

Step ApplyDigsSince(World& w, std::string_view digs);

// "D": a picture an object drew into the level, in open play; false when it
// cannot come from a game.
bool TakeDrawing(WireReader& in, int16& tile, int16& x, int16& y) {
  for (int16* v : {&tile, &x, &y}) TakeField(in, *v, KindShort);
  return in.Incomplete || DrawingInRange(tile, x, y);
}

// "E": this client enters the running game, with the digs since its level
// was taken.
Step TakeEntry(World& w, NetClient& n, WireReader& in) {
  int32 batches = 0;
  int count = 0;
  TakeField(in, batches, KindLong);
  if (in.Incomplete || !TakeRawByte(in, count)) return Step::kWait;
  std::string_view digs;
  if (const Step step = TakeBlock(in, kMaxCatchUpBytes, "the digs of a join", digs); step != Step::kNext) return step;
  // A spectator's count holds no worms of its own.
  const int own = n.Watch ? 0 : 2;
  if (count < own || count % 2 != 0 || count > kMaxBatchWorms)
    return Refuse("the server let this client in with " + std::to_string(count) + " worms");
  w.NumPlayers = static_cast<int16>(own);
  while (w.NumPlayers < count) AddWormPair(w);
  n.Batches = batches;
  n.Entered = true;
  return ApplyDigsSince(w, digs);
}

// The digs and drawings (and chat lines, not shown) of the batches since a
// level was taken, applied on top of it in their order.
Step ApplyDigsSince(World& w, std::string_view digs) {
  WireReader catch_up(digs);
  while (!catch_up.Empty()) {
    const char tag = catch_up.rest.front();
    catch_up.rest.remove_prefix(1);
    if (tag == 'd') {
      int16 x = 0, y = 0, radius = 0;
      for (int16* v : {&x, &y, &radius}) TakeField(catch_up, *v, KindShort);
      if (catch_up.Incomplete || std::abs(static_cast<int>(radius)) > kMaxDigRadius)
        return Refuse("a dig the server sent with the level cannot be read");
      Dig(w, x, y, radius, 0, Origin::kNetwork);
    } else if (tag == 'D') {
      int16 tile = 0, x = 0, y = 0;
      if (!TakeDrawing(catch_up, tile, x, y) || catch_up.Incomplete)
        return Refuse("a drawing the server sent with the level cannot be read");
      DrawIntoLevel(w, tile, x, y, 0, Origin::kNetwork);
    } else if (tag == 'c') {
      // Chat lines said before this client came are not shown.
      const std::size_t end = catch_up.rest.find('\0');
      if (end == std::string_view::npos) return Refuse("a chat line the server sent with the level has no end");
      catch_up.rest.remove_prefix(end + 1);
    } else {
      return Refuse("the digs the server sent with the level hold something else");
    }
  }
  return Step::kNext;
}

// "Y": this client's level differed from the others'; the game's level and
// the digs since it was taken replace it.
Step TakeLevelAgain(World& w, NetClient& n, WireReader& in) {
  if (n.InBatch) return Refuse("a level in the middle of a batch");
  std::string_view blob, digs;
  if (const Step step = TakeBlock(in, kMaxLevelSnapshotBytes, "the level", blob); step != Step::kNext) return step;
  if (const Step step = TakeBlock(in, kMaxCatchUpBytes, "the digs since the level", digs); step != Step::kNext)
    return step;
  std::string error;
  Surface level;
  if (!DecodeLevelSnapshot(blob, level, error)) return Refuse(error);
  w.LevelSurface = std::move(level);
  w.LevelWidth = w.LevelSurface.width();
  w.LevelHeight = w.LevelSurface.height();
  std::fprintf(stderr, "krel: this client's level differed from the game's; the server sent it again\n");
  return ApplyDigsSince(w, digs);
}

// Open play's notes before a batch ("L", "A", "Q"), taken only between
// batches and only from a server that agreed to it.
Step TakeRosterNote(World& w, NetClient& n, WireReader& in, char tag) {
  if (n.InBatch) return Refuse(std::string("\"") + tag + "\" in the middle of a batch");
  if (tag == 'Q') {
    SendLevel(w, n);
    return Step::kNext;
  }
  if (tag == 'A') return AddWormPair(w) ? Step::kNext : Refuse("more worms joined than the game has places");
  int number = 0;
  if (!TakeRawByte(in, number)) return Step::kWait;
  if (!RemoveWormPair(w, number)) return Refuse("worms " + std::to_string(number) + " that are not in the game left");
  return Step::kNext;
}

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
      n.InBatch = count > 0;
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
    case 'O': {
      int version = 0;
      if (!TakeRawByte(in, version)) return Step::kWait;
      if (version == kOpenPlayVersion && n.AskPipelined) n.OpenPlay = true;
      return Step::kNext;
    }
    case 'L':
    case 'A':
    case 'Q':
      if (!n.OpenPlay) return DropRest(in);
      return TakeRosterNote(w, n, in, tag);
    // Sent only to a client that asked for open play: the level before the
    // settings, the entry before the first batch.
    case 'Z':
      if (!n.AskPipelined || w.ConfigReceived != kFalse) return DropRest(in);
      return TakeServerLevel(w, n, in);
    case 'E':
      if (!n.OpenPlay || n.Entered || n.Batches != 0) return DropRest(in);
      return TakeEntry(w, n, in);
    case 'Y':
      if (!n.OpenPlay) return DropRest(in);
      return TakeLevelAgain(w, n, in);
    case 'D': {
      if (!n.OpenPlay) return DropRest(in);
      int16 tile = 0, x = 0, y = 0;
      if (!TakeDrawing(in, tile, x, y)) return Step::kRefuse;
      if (in.Incomplete) return Step::kWait;
      if (!CountEvent(n.BatchEvents, 'D', 0, kBatchEventBound)) return Step::kRefuse;
      DrawIntoLevel(w, tile, x, y, 0, Origin::kNetwork);
      return Step::kNext;
    }
    case 'U': {
      // The server names a file of its games: asked for only when this
      // client's own differs from it.
      if (!n.OpenPlay) return DropRest(in);
      if (in.rest.size() < 9) return Step::kWait;
      const char which = in.rest[0];
      in.rest.remove_prefix(1);
      std::uint32_t checksum = 0, length = 0;
      TakeRawLong(in, checksum);
      TakeRawLong(in, length);
      if (which != 'V' && which != 'F') return Refuse("the server names a file of an unknown kind");
      const bool level = which == 'V';
      if (length > (level ? kMaxLevelFileBytes : kMaxArmsFileBytes))
        return Refuse(std::string("the server names ") + (level ? "a level" : "a weapon file") + " of " +
                      std::to_string(length) + " bytes");
      if (OwnFileChecksum(w, level ? "level.bmp" : "arms.dat") == checksum) return Step::kNext;
      n.AwaitedFiles[level ? 0 : 1] = checksum;
      if (n.ws.state() == TcpConnection::kConnected) n.ws.Send(std::string("U") + which);
      return Step::kNext;
    }
    case 'V':
    case 'F': {
      if (!n.OpenPlay) return DropRest(in);
      std::uint32_t checksum = 0;
      std::string_view file;
      if (!TakeRawLong(in, checksum)) return Step::kWait;
      const bool level = tag == 'V';
      const Step step = TakeBlock(in, level ? kMaxLevelFileBytes : kMaxArmsFileBytes,
                                  level ? "the level file" : "the weapon file", file);
      if (step != Step::kNext) return step;
      auto& awaited = n.AwaitedFiles[level ? 0 : 1];
      if (!awaited || *awaited != checksum)
        return Refuse(std::string("the server sent ") + (level ? "a level" : "a weapon file") +
                      " this client did not ask for");
      awaited.reset();
      std::string error;
      const bool kept = level ? KeepServerLevel(file, checksum, n.ServerLevelDir, error)
                              : KeepServerArms(file, checksum, n.ServerArmsDir, error);
      return kept ? Step::kNext : Refuse(error);
    }
    case 'T':
      if (!n.OpenPlay) return DropRest(in);
      if (in.rest.size() < kReturnTokenBytes) return Step::kWait;
      n.ReturnToken = std::string(in.rest.substr(0, kReturnTokenBytes));
      n.ReturnAddress = n.Address;
      in.rest.remove_prefix(kReturnTokenBytes);
      return Step::kNext;
    case 'G': {
      // A round-trip probe (protocol/round_trip.h): answered at once, so the
      // time it took is the link's and not this client's frame. A spectator
      // asked for them too (its third "C"), though it plays no frames ahead.
      if (!n.AskPipelined) return DropRest(in);
      int32 stamp = 0;
      TakeField(in, stamp, KindLong);
      if (in.Incomplete) return Step::kWait;
      std::string answer = "G";
      AppendFieldWhole(answer, stamp, KindLong);
      if (n.ws.state() == TcpConnection::kConnected) n.ws.Send(answer);
      return Step::kNext;
    }
    case 'M': return n.AskPipelined ? TakeRoundTrips(w, in) : DropRest(in);
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

// The level of a join, and the digs with its entry, may be longer than any
// other message: what waits is within the length they announce.
bool LongBlockComing(const NetClient& n) {
  WireReader in(n.RecvBuffer);
  const char tag = in.rest.front();
  in.rest.remove_prefix(1);
  std::uint32_t length = 0;
  if ((tag == 'Z' && n.AskPipelined) || (tag == 'Y' && n.OpenPlay))
    return TakeRawLong(in, length) && length <= kMaxLevelSnapshotBytes;
  std::uint32_t checksum = 0;
  if ((tag == 'V' || tag == 'F') && n.OpenPlay)
    return TakeRawLong(in, checksum) && TakeRawLong(in, length) && length <= kMaxLevelFileBytes;
  if (tag == 'E' && n.OpenPlay) {
    int32 batches = 0;
    int count = 0;
    TakeField(in, batches, KindLong);
    if (!in.Incomplete && TakeRawByte(in, count) && TakeRawLong(in, length)) return length <= kMaxCatchUpBytes;
  }
  return false;
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
  return n.RecvBuffer.size() <= kMaxReceiveBuffer || LongBlockComing(n);
}

}  // namespace krel
