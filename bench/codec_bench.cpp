// The wire codec: one full worm record with every field changed, encoded as
// a client sends it and decoded as the other side reads it.
#include <benchmark/benchmark.h>

#include "protocol/worm_codec.h"

namespace krel {
namespace {

WormRecord Busy(int i) {
  WormRecord w;
  w.Name = "Worm " + std::to_string(i % 10) + std::string(14, ' ');
  w.Alive = kTrue;
  w.X = fixed(100.25 + i % 300);
  w.Y = fixed(80.5 + i % 200);
  w.DirX = fixed(0.75);
  w.DirY = fixed(-0.5);
  w.Speed = fixed(31 + i % 7);
  w.Age = i;
  w.Color = 120;
  w.Health = static_cast<int16>(1 + i % 100);
  w.FacingRight = kTrue;
  w.Aim = static_cast<int16>(i % 64);
  w.AnimFrame = static_cast<int16>(i % 4);
  w.Lives = 15;
  w.Kills = static_cast<int16>(i % 9);
  w.LastShot = i;
  for (int k = 0; k < 8; ++k) w.Ctrl[static_cast<std::size_t>(k)] = (i >> k) & 1;
  w.RopeState = 1;
  w.RopeX = fixed(140.5);
  w.RopeY = fixed(60.25);
  w.RopeDX = fixed(1.5);
  w.RopeDY = fixed(-2.5);
  w.RopeLength = fixed(40 + i % 5);
  w.CurWeapon = static_cast<int16>(i % 5);
  for (int k = 0; k < 5; ++k) {
    w.Ammo[static_cast<std::size_t>(k)] = fixed(3 + (i + k) % 10);
    w.WeaponSlots[static_cast<std::size_t>(k)] = static_cast<int16>((i + k) % 40);
  }
  return w;
}

void BM_WormRecordEncodeDecode(benchmark::State& state) {
  WormRecord a = Busy(1), b = Busy(2), received;
  std::string wire;
  std::int64_t bytes = 0;
  for (auto _ : state) {
    WormRecord sent;  // nothing known yet: every field travels
    wire.clear();
    EncodeWormFull(wire, a, sent, WormRefs::Client);
    WireReader in(wire);
    DecodeWormFull(in, received);
    benchmark::DoNotOptimize(received);
    bytes += static_cast<std::int64_t>(wire.size());
    std::swap(a, b);
  }
  state.SetBytesProcessed(bytes);
  state.counters["record_bytes"] = static_cast<double>(wire.size());
}
BENCHMARK(BM_WormRecordEncodeDecode);

}  // namespace
}  // namespace krel
