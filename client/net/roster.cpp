#include "client/net/roster.h"

#include <algorithm>

#include "client/net/net_client.h"

namespace krel {

namespace {

// An entity of a worm that left is dropped (false); one of a worm after
// the pair gets its new number.
template <typename Table>
void Renumber(Table& table, int number) {
  // Element 0 is the table's placeholder.
  auto left = [number](const auto& e) { return e.owner == number || e.owner == number + 1; };
  table.erase(std::remove_if(table.begin() + 1, table.end(), left), table.end());
  for (std::size_t i = 1; i < table.size(); ++i)
    if (table[i].owner > number + 1) table[i].owner = static_cast<int16>(table[i].owner - 2);
}

}  // namespace

bool RemoveWormPair(World& w, int number) {
  const int count = w.NumPlayers;
  // A spectator has no worms of its own: the first pair is someone's too.
  const int first_other = w.net != nullptr && w.net->Watch ? 1 : 3;
  if (number < first_other || number + 1 > count || count > kMaxBatchWorms) return false;
  // Where the others' worms are drawn and their round trips move with them.
  auto& drawn = w.NetStats.Drawn;
  auto& round_trips = w.NetStats.RoundTripMs;
  for (int k = number; k + 2 <= count; ++k) {
    const auto to = static_cast<std::size_t>(k), from = static_cast<std::size_t>(k + 2);
    w.Players[to] = w.Players[from];
    w.Suicides[to] = w.Suicides[from];
    drawn[to] = drawn[from];
    round_trips[to] = round_trips[from];
  }
  for (int k : {count - 1, count}) {
    const auto at = static_cast<std::size_t>(k);
    w.Players[at] = Player{};
    w.Suicides[at] = 0;
    drawn[at] = DrawnPosition{};
    round_trips[at] = -1;
  }
  w.NumPlayers = static_cast<int16>(count - 2);
  Renumber(w.Shots, number);
  Renumber(w.Objs, number);
  Renumber(w.SObjs, number);
  // A rope holds a worm by its number.
  for (int k = 1; k <= w.NumPlayers; ++k) {
    Player& pl = w.Players[static_cast<std::size_t>(k)];
    if (pl.RopeState >= 0) continue;
    const int held = -pl.RopeState;
    if (held == number || held == number + 1)
      pl.RopeState = 0;
    else if (held > number + 1)
      pl.RopeState = static_cast<int16>(pl.RopeState + 2);
  }
  return true;
}

bool AddWormPair(World& w) {
  const int count = w.NumPlayers;
  if (count < 0 || count + 2 > kMaxBatchWorms) return false;
  for (int k : {count + 1, count + 2}) {
    const auto at = static_cast<std::size_t>(k);
    w.Players[at] = Player{};
    w.Suicides[at] = 0;
    w.NetStats.Drawn[at] = DrawnPosition{};
    w.NetStats.RoundTripMs[at] = -1;
  }
  w.NumPlayers = static_cast<int16>(count + 2);
  return true;
}

}  // namespace krel
