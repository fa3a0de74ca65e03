// One connected client: reads its byte stream, keeps its two worm slots,
// files its events, keeps the score and sends it its batch.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "protocol/event_limits.h"
#include "server/frame_queue.h"
#include "server/relay.h"

namespace krel {

class Session {
 public:
  Session(Relay& relay, std::unique_ptr<Link> link, int serial);

  void SetPlayer(int newplay) { FirstSlot = newplay; }
  // The client's local worm number as a slot (its own worms are 1 and 2,
  // the others follow in slot order).
  int calcplayer(int nr) const;
  void SendNow();

  int FirstSlot = 0;
  std::string RecvBuffer;
  int SlotToggle = 0;
  int Ticks = 0;
  int LastDataTick = 0;
  // The inactivity watch runs from the moment the configuration was
  // answered: a real client sends its worms' states every frame from then on.
  bool offline_watch = false;
  // The longer restart limit applies until the next complete state message:
  // set at the configuration and whenever a batch brought a new set of
  // worms, after which every client starts its game state over.
  bool grace = false;
  // Ticks for which an unfinished message has been waiting for its end.
  int partial_ticks = 0;
  // The relay's tick at which this cycle's states were all in.
  int waiting_since = 0;
  // Events filed in the cycle now being collected.
  EventCounts events_this_cycle;
  // State messages received for the cycle now being collected.
  int states_this_cycle = 0;
  bool greeted = false;
  int age_ticks = 0;
  // Why the session must end; empty while it lives.
  std::string end_reason;
  const int serial;

  Link& link() { return *link_; }
  // "client #N address:port (slots a-b)": the number and address stay for the
  // session's life, the slots are those it holds now (they move when others leave).
  std::string Who() const;
  // Pipelined, with a whole frame waiting for the others: not idle.
  bool FrameWaiting() const { return frames_ && frames_->Ready(); }
  bool Pipelined() const { return frames_ != nullptr; }

 private:
  friend class Relay;

  void Arrived(std::string_view bytes);
  void Process();
  // Each handler returns false when the message is not complete yet.
  bool TakeGreeting(std::size_t& pos);
  bool TakeConfig(std::size_t& pos);
  bool TakeState(std::size_t& pos, char tag);
  bool TakeKill(std::size_t& pos);
  bool TakeEvent(std::size_t& pos, char tag);
  bool TakeDig(std::size_t& pos);
  bool TakeChat(std::size_t& pos);
  void AddExtras(int slot, std::string_view message);
  // Counts an event against the bound of one cycle; false (and the session
  // ends) when it is over.
  bool CountOrEnd(char tag, std::size_t bytes);
  void applyKills(int playr);
  void End(std::string reason);
  // Pipelined sessions (frame_queue.h): the second "C" asks for the mode;
  // their states wait in frames_ until a cycle stores them in the slots.
  bool AskedForPipelining();
  bool TakeQueuedState(std::size_t& pos, char tag);
  void StoreFrame(const QueuedFrame& frame);

  Relay& relay_;
  SlotTables& t_;
  std::unique_ptr<Link> link_;
  std::unique_ptr<FrameQueue> frames_;  // set once the session plays pipelined
  int configs_ = 0;                     // "C" messages received
  bool any_state_ = false;              // a state message has arrived
  bool score_taken_ = false;            // a pipelined frame has been stored
  const std::string name_;
};

}  // namespace krel
