// Told when each game starts and ends (the session recorder listens).
#pragma once

namespace krel {

struct World;

class GameObserver {
 public:
  virtual ~GameObserver() = default;
  virtual void OnGameStart(World& w) = 0;
  virtual void OnGameEnd(World& w) = 0;
};

}  // namespace krel
