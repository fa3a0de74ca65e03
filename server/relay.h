// The relay's main logic: sessions with their slot pairs, the cycle trigger,
// the listener and announcement state, and the traffic counters. It knows
// nothing of sockets: connections come in as Links and everything it wants
// of the outside (listen, announce, report) goes through RelayHooks, so the
// same logic runs over real sockets, in tests and under the fuzzer.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "server/tables.h"

namespace krel {

class Session;

// A session's connection as the relay sees it.
class Link {
 public:
  virtual ~Link() = default;
  virtual void Send(std::string_view bytes) = 0;
  virtual bool Connected() const = 0;
  virtual std::size_t Queued() const = 0;
  virtual void Close() = 0;
  virtual std::string Peer() const { return "?"; }
};

class RelayHooks {
 public:
  virtual ~RelayHooks() = default;
  virtual void SetListening(bool on) = 0;
  virtual void SetAnnouncing(bool on) = 0;
  virtual void Announce(std::string_view datagram) = 0;
  virtual void Event(const std::string& line) = 0;
  // The player count changed (labels and caption).
  virtual void Changed() {}
  // A millisecond clock for the round trips of protocol/round_trip.h.
  virtual std::uint32_t NowMs();
};

struct RelayLimits {
  int greeting_ticks = 100;  // ticks a connection may take to greet and configure
  // Life is complete state messages. A client that owes its states is
  // ended once the clients that have sent theirs have waited this many
  // ticks (the longest waiting one counts): well below their own two-second
  // wait for a batch, so that a frozen client is dropped and the others get
  // their batch, and start their game over for the smaller set of worms,
  // before they give up; still many frames above what an honest client,
  // even a slow one, takes for a frame. Also the longest an unfinished
  // message may wait for its end.
  int offline_ticks = 12;
  // The same for a client that is starting its game over (its first state
  // after the configuration, or after a batch with a new set of worms, when
  // every client loads the level again): all the others can wait.
  int restart_ticks = 18;
  // Silence that ends a session while nobody waits for it (everyone is
  // silent, or it plays alone).
  int alone_ticks = 100;
  std::size_t max_receive = 64 * 1024;   // bytes of one unfinished message
  std::size_t max_queued = 1024 * 1024;  // unsent bytes to one client
  std::size_t max_extras = 1024 * 1024;  // event bytes of one slot per cycle
  // Frames a pipelined session may have waiting (frame_queue.h); 0 plays
  // every session in lock-step.
  std::size_t queued_frames = 2;
};

class Relay {
 public:
  // `level_file`, `arms_file`: the bytes of the level and the weapon file
  // every client of open play gets (empty: each plays on its own).
  Relay(RelayHooks& hooks, RelayLimits limits = {}, std::string_view level_file = {}, std::string_view arms_file = {});
  ~Relay();

  // Window load: listen, announce, labels.
  void Start();
  // A connection request; nullptr when it is refused (the table is full).
  Session* Connect(std::unique_ptr<Link> link);
  void Arrived(Session& session, std::string_view bytes);
  void PeerClosed(Session& session);
  void SocketError(Session& session, const std::string& text);
  // The 100 ms tick (inactivity and greeting watch), the 1000 ms
  // announcement and the 1000 ms counter display.
  void Tick();
  void AnnounceTick();
  void CounterTick();
  // The "-" datagram: the server is no longer open.
  void Withdraw();
  // The chat line a client gets before it is turned away during a game.
  static std::string GameRunningLine();
  // Ended sessions are destroyed here, outside every notification.
  void Reap();

  int PlayersOnline() const { return players_online_; }
  bool Listening() const { return listening_; }
  std::int64_t Batches() const { return batches_; }
  std::int64_t BytesInPerSec() const { return shown_in_; }
  std::int64_t BytesOutPerSec() const { return shown_out_; }
  std::string PlayersLabel() const;  // "Currently N players online."
  std::string Caption() const;       // "Krel Server - N players"
  const std::vector<std::unique_ptr<Session>>& sessions() const { return sessions_; }
  SlotTables& tables() { return tables_; }
  const RelayLimits& limits() const { return limits_; }
  // A game that every client agreed to play open (protocol/open_play.h): it
  // takes newcomers while it runs and lets clients leave without a restart.
  bool OpenGame() const { return open_game_; }
  // Batches since the set of worms last changed in a way that restarts the
  // clients' games: what every client of the game counts too.
  std::int64_t GameBatches() const { return game_batches_; }
  // What the announcements and the list registrations tell of the game.
  struct Outlook {
    int worms = 0;         // worm slots in use
    int players = 0;       // clients that play or are joining to play
    int play_places = 0;   // more clients that can join to play now
    int watch_places = 0;  // more that can join to watch now
    bool running = false;  // a game runs (the listener is closed to the basic protocol)
    bool open = false;     // it is played open: it takes newcomers while it runs
    // A client that plays in lock-step is in the game: every batch waits
    // for its states, so nobody's game runs faster than its round trip allows.
    bool lock_step_paced = false;
  };
  Outlook Describe() const;
  // Clients of open play whose level differed from the others' and were
  // sent the level again (the sync guard, open_game.cpp).
  std::int64_t LevelResyncs() const { return resyncs_; }

 private:
  friend class Session;

  // Once every slot in use has its state for the cycle (stored, or waiting
  // in a pipelined session's queue), the queued frames are stored and every
  // client gets its batch.
  void FinishCycleIfComplete();
  // The states that count toward the cycle: at most two per session (its
  // two worms, stored in lock-step or waiting as a pipelined frame), and
  // those of sessions that left during the cycle. A client that sends more
  // only overwrites its own slots; it cannot finish the others' cycle.
  int StatesIn() const;
  void StoreQueuedFrames();
  // A session's pair of slots is given up; the highest pair moves into it.
  void ReleaseSlots(int first_slot);
  void GameStarted();
  void Settle();
  void EndSession(Session& session);
  void MoveSlot(int from, int to);
  void EmptyExtras();
  void CountIn(std::size_t n) { bytes_in_ += static_cast<std::int64_t>(n); }
  void CountOut(std::size_t n) { bytes_out_ += static_cast<std::int64_t>(n); }

  // Open play (open_game.cpp).
  bool EveryoneOpen() const;
  // Clients waiting to join get the level (asked of a client in the game if
  // none is at hand); called whenever that may have become possible.
  void ServeJoiners();
  void RequestLevel();
  void LevelArrived(Session& donor, std::string_view level);
  // After a batch: joiners whose first frame is in enter the game.
  void AfterBatch(bool restart);
  void Admit(Session& joiner);
  void SendEntry(Session& joiner);
  // A client of an open game leaves: the pairs above it move down, the
  // others are told which worms went, nobody restarts.
  void LeaveOpenly(Session& leaving);
  // Joining clients and every slot end when the game is over.
  void EndOpenGame();
  void TickJoiner(Session& joiner);
  void AnnounceOpenGame();
  // Coming back: a token for a client of open play; the score of a client
  // that left, kept for kReturnSeconds under its token; a joiner that shows
  // one gets it back.
  std::string NewToken();
  // A client asks to watch: only a running open game can be watched.
  void StartWatching(Session& s);
  void KeepForReturn(const Session& leaving);
  void Returning(Session& joiner, std::string_view token);
  void AddChatLine(const std::string& text);
  // A client's level checksum after `batch`; once every client in the game
  // has reported it, those that differ from the most get the level again.
  void LevelReported(Session& s, std::int64_t batch, std::uint32_t checksum);
  void CompareLevels(std::int64_t batch);
  // A worm's name as the game's lines show it: without its padding, in capitals.
  std::string ShownName(int slot) const;

  RelayHooks& hooks_;
  RelayLimits limits_;
  SlotTables tables_;
  std::vector<std::unique_ptr<Session>> sessions_;  // in order of creation
  std::vector<std::unique_ptr<Session>> graveyard_;
  int players_online_ = 0;
  int next_serial_ = 0;
  int departed_states_ = 0;     // states counted in this cycle by sessions now ended
  int last_batch_players_ = 0;  // the worm count of the latest batch
  int ticks_ = 0;               // Tick() calls so far
  bool listening_ = false;
  bool settling_ = false;
  std::int64_t batches_ = 0;
  std::int64_t bytes_in_ = 0, bytes_out_ = 0, shown_in_ = 0, shown_out_ = 0;
  std::string batch_;  // reused between batches
  bool open_game_ = false;
  std::int64_t game_batches_ = 0;
  Session* level_donor_ = nullptr;  // asked for the level, not answered yet
  std::string level_;               // the level joiners get, as sent
  std::string catch_up_;            // digs and chat lines since it was taken
  bool collecting_ = false;
  // The files the server names: "U" announcements of each (told with every
  // token), and the files themselves ("V" level, "F" weapons), sent only to
  // a client that asks because its own differ. Empty when not named.
  std::string files_announcement_;
  std::string level_file_message_;
  std::string arms_file_message_;
  int level_from_ = 0;  // serial of the client the level was taken from
  std::map<std::int64_t, std::vector<std::pair<int, std::uint32_t>>> level_checks_;
  std::int64_t resyncs_ = 0;
  struct Departed {
    std::string token;
    std::array<int16, 2> lives{}, kills{};
    int tick = 0;
  };
  std::vector<Departed> departed_;
  std::uint64_t token_state_ = 0;
};

}  // namespace krel
