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
  if (number < 3 || number + 1 > count || count > kMaxBatchWorms) return false;
  for (int k = number; k + 2 <= count; ++k) {
    w.Players[static_cast<std::size_t>(k)] = w.Players[static_cast<std::size_t>(k + 2)];
    w.Suicides[static_cast<std::size_t>(k)] = w.Suicides[static_cast<std::size_t>(k + 2)];
  }
  for (int k : {count - 1, count}) {
    w.Players[static_cast<std::size_t>(k)] = Player{};
    w.Suicides[static_cast<std::size_t>(k)] = 0;
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
    w.Players[static_cast<std::size_t>(k)] = Player{};
    w.Suicides[static_cast<std::size_t>(k)] = 0;
  }
  w.NumPlayers = static_cast<int16>(count + 2);
  return true;
}

}  // namespace krel
