// One connected client: reads its byte stream, keeps its two worm slots,
// files its events, keeps the score and sends it its batch.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "protocol/event_limits.h"
#include "server/pipelined_session.h"
#include "server/relay.h"
#include "server/round_trips.h"

namespace krel {

class Session {
 public:
  Session(Relay& relay, std::unique_ptr<Link> link, int serial);

  void SetFirstSlot(int slot) { first_slot = slot; }
  // The slot of a worm as the client numbers it in a kill report (its own
  // worms are 1 and 2, the others follow in slot order).
  int SlotOfPlayerNumber(int number) const;
  void SendBatch();

  // The session's worms are in slots first_slot and first_slot + 1.
  int first_slot = 0;
  // Received bytes not yet taken as messages.
  std::string receive_buffer;
  // Which of the client's worms (0 or 1) the next state message is for.
  int next_worm = 0;
  // Ticks since the inactivity watch began, and the one of the last
  // complete state message (or of the last wait for the others).
  int watch_ticks = 0;
  int last_state_tick = 0;
  // The inactivity watch runs from the moment the configuration was
  // answered: a real client sends its worms' states every frame from then on.
  bool offline_watch = false;
  // The longer restart limit applies until the next complete state message:
  // set at the configuration and whenever a batch brought a new set of
  // worms, after which every client starts its game state over.
  bool restart_grace = false;
  // A batch with a new set of worms went out (or none yet): the client may
  // say once that its game starts again ("R", pipelined only).
  bool may_start_over = true;
  // Ticks for which an unfinished message has been waiting for its end.
  int partial_ticks = 0;
  // The relay's tick at which this cycle's states were all in.
  int waiting_since = 0;
  // Events filed in the cycle now being collected.
  EventCounts events_this_cycle;
  // State messages received for the cycle now being collected; it stops at
  // two (one per worm): more only overwrite the slots.
  int states_this_cycle = 0;
  bool greeted = false;
  int age_ticks = 0;
  // Open play (protocol/open_play.h) agreed with this client.
  bool open_play = false;
  // False while the client joins a running game: it holds no slots, counts
  // toward no cycle and gets no batch until it enters (open_game.cpp).
  bool in_game = true;
  // Joining: the level has been sent; it enters with its first whole frame.
  bool level_sent = false;
  // The server's level and weapon file went to this client (each once).
  bool level_file_sent = false;
  bool arms_file_sent = false;
  // "L", "A" and "Q" notes that go before the "n" of its next batch.
  std::string roster_notes;
  // What it shows to come back after losing its connection, and the score
  // it comes back with (its worms' lives and kills), if it does.
  std::string token;
  bool returning = false;
  std::array<int16, 2> returning_lives{}, returning_kills{};
  // A spectator (protocol/open_play.h): no slots, batches of every worm.
  bool watching = false;
  // It has set up its game (its second "W"): it enters after the next batch.
  bool watch_ready = false;
  // Its level differed from the others': it gets the level again.
  bool needs_level = false;
  // The line "NAME JOINED" goes out with its first stored state.
  bool announce_join = false;
  // A message longer than max_receive is on its way (the level it was asked for).
  std::size_t long_message = 0;
  // Why the session must end; empty while it lives.
  std::string end_reason;
  const int serial;

  // Chat lines a client of open play may send at once (its death lines of
  // one frame are at most 17), and every how many ticks one more.
  static constexpr int kChatBurst = 20;
  static constexpr int kTicksPerChatLine = 5;

  Link& link() { return *link_; }
  // "client #N address:port (slots a-b)": the number and address stay for the
  // session's life, the slots are those it holds now (they move when others leave).
  std::string Who() const;
  // Pipelined, with a whole frame waiting for the others: not idle.
  bool FrameWaiting() const { return in_game && pipelined_ && pipelined_->FrameWaiting(); }
  bool Pipelined() const { return pipelined_ != nullptr; }
  // Its settings came and it did not ask for pipelined play (or the server
  // plays every client in lock-step): each batch waits for its states.
  bool PlaysLockStep() const { return config_messages_ > 0 && !pipelined_ && !watching; }
  // The client's round trip in milliseconds (server/round_trips.h); -1 for
  // a pipelined client that did not ask, and until the first answer.
  int RoundTripMs() const { return round_trips_.ms(); }

 private:
  friend class Relay;

  void Arrived(std::string_view bytes);
  void Process();
  // Each handler returns false when the message is not complete yet.
  bool TakeGreeting(std::size_t& pos);
  bool TakeConfig(std::size_t& pos);
  bool TakeState(std::size_t& pos, char tag);
  bool TakeQueuedState(std::size_t& pos, char tag);
  bool TakeKill(std::size_t& pos);
  bool TakeEvent(std::size_t& pos, char tag);
  bool TakeDig(std::size_t& pos);
  bool TakeDrawing(std::size_t& pos);
  bool TakeChat(std::size_t& pos);
  bool TakeLevel(std::size_t& pos);
  bool TakeLevelCheck(std::size_t& pos);
  bool TakeReturnToken(std::size_t& pos);
  bool TakeWatch(std::size_t& pos);
  bool TakeFileRequest(std::size_t& pos);
  // "T" and a new token (open play's answer, and a joiner's).
  std::string TokenMessage();
  // In the game: the level again, with the digs since it was taken.
  void SendLevelAgain(std::string_view level, std::string_view digs);
  // Chat of a client that can type it is rate-limited (a flood is dropped,
  // not relayed).
  bool ChatAllowed();
  // The third "C" of a pipelined client asks for open play (and round
  // trips): protocol/pipelined.h.
  bool AskedForOpenPlay();
  // Joining: the answers to the settings wait for the level.
  void SendJoinAnswers(std::string_view level);
  bool TakeRoundTripAnswer(std::size_t& pos);
  void AddExtras(int slot, std::string_view message);
  // Counts an event against the bound of one cycle; false (and the session
  // ends) when it is over.
  bool CountOrEnd(char tag, std::size_t bytes);
  // A complete state message arrived: the client is alive.
  void HeardState();
  // The one way a worm's state gets into its slot, in lock-step as from a
  // queued frame: the slot takes the state with its pending score changes,
  // and its relayed message is encoded.
  void StoreState(int slot, char tag, const WormRecord& state);
  void ApplyScoreChanges(int slot);
  // Pipelined sessions: the second "C" asks for the mode; a cycle stores
  // the oldest queued frame.
  bool AskedForPipelining();
  void StoreQueuedFrame();
  void End(std::string reason);
  // A tag this session's mode does not know ends it.
  void EndOnUnknownTag(char tag);

  Relay& relay_;
  SlotTables& tables_;
  std::unique_ptr<Link> link_;
  std::unique_ptr<PipelinedSession> pipelined_;  // set once the session plays pipelined
  RoundTrips round_trips_;                       // on once a pipelined client asked
  int config_messages_ = 0;                      // "C" messages received
  int chat_tokens_ = kChatBurst;
  int chat_refill_tick_ = 0;
  bool chat_dropped_ = false;
  int first_config_tick_ = -1;  // joining: the age_ticks of the first "C"
  bool any_state_ = false;      // a state message has arrived
  const std::string name_;
};

}  // namespace krel
