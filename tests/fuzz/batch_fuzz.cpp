// libFuzzer target: arbitrary bytes from the server into the client's batch
// decoder, split into arrivals, with the simulation stepping between them so
// that hostile worms, shots and objects are moved too.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "client/net/incoming.h"
#include "client/net/net_client.h"
#include "client/net/session.h"
#include "client/simulation/weapons/objects.h"
#include "client/simulation/weapons/shots.h"
#include "client/simulation/worms/worms.h"
#include "tests/sim_test_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto w = krel::testing::MakeSimWorld(200, 150);
  krel::testing::Fill(*w, 0, 100, 200, 150, krel::testing::kSoilColour);
  // A small weapon table of its own: a few shots, objects and blasts.
  for (int i = 1; i <= 5; ++i) {
    w->WeaponDefs[static_cast<std::size_t>(i)].SPEED = 30 * i;
    w->WeaponDefs[static_cast<std::size_t>(i)].AMMO = 3;
    w->ObjDefs[static_cast<std::size_t>(i)].SPEED = 10 * i;
    w->SObjDefs[static_cast<std::size_t>(i)].DAMAGE = 5 * i;
  }
  auto net = std::make_unique<krel::NetClient>();
  w->net = net.get();
  w->Connection = krel::ConnectionState::kConnected;
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  int frames = 0;
  while (!rest.empty() && frames < 64) {
    // Each arrival: a length byte, then that many bytes.
    const std::size_t n = std::min<std::size_t>(rest.size() - 1, static_cast<std::uint8_t>(rest[0]));
    net->RecvBuffer.append(rest.substr(1, n));
    rest.remove_prefix(1 + n);
    if (!krel::ProcessReceived(*w)) break;  // the client ends the connection
    if (krel::TakeRestart(*w)) w->ResetEntityTables();
    if (w->NetFrameReady != krel::kFalse) {
      ++frames;
      krel::PlayerAction(*w);
      krel::MoveShots(*w);
      krel::ParticleMove(*w);
      krel::SObjMove(*w);
      w->NetFrameReady = krel::kFalse;
    }
  }
  return 0;
}
