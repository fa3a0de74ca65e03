// The relay's program-wide tables, indexed by worm slot 0..16 (slot 0 never
// holds a worm; its extras collect the digs and chat of a cycle).
#pragma once

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "protocol/worm_codec.h"

namespace krel {

inline constexpr int kLastSlot = 16;
inline constexpr int kSlotCount = kLastSlot + 1;
inline constexpr int kMaxClients = kLastSlot / 2;

// One worm slot: the wire record plus the score changes waiting to be folded
// in when the slot's next state message arrives.
struct SlotRecord : WormRecord {
  int32 PendingKills = 0;
  int32 PendingDeaths = 0;
};

struct SlotTables {
  std::array<SlotRecord, kSlotCount> slots{};
  // Each slot as last encoded: the reference of the delta encoding.
  std::array<SlotRecord, kSlotCount> sent_slots{};
  // The latest state message of each slot as relayed (tag and body).
  std::array<std::string, kSlotCount> relayed_states{};
  // Events of the current cycle; emptied after every batch.
  std::array<std::string, kSlotCount> cycle_events{};
  // Where slot 0's events hold open play's drawings (offset, length), noted
  // as they are added; the same events without them, for clients of the
  // basic protocol, are made once when the cycle is complete.
  std::vector<std::pair<std::size_t, std::size_t>> cycle_drawings;
  std::string general_without_drawings;
  // Slots whose receivers' copies are unknown (after a re-pack): encoded in
  // full until the next batch has gone out.
  std::array<bool, kSlotCount> send_whole{};
  // The "C" message of the current game; empty while none is fixed.
  std::string game_config;
};

}  // namespace krel
