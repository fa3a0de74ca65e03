// The list server's work per datagram with 10,000 relays listed (625
// source addresses with 16 relays each, the most the bounds allow, each in
// a network (/24) of its own): a
// renewal and its details, a page of a query (with and without details),
// the expiry scan, and a forged registration. With 10,000 relays renewing
// every five seconds, krelList handles 2,000 renewals and 2,000 details a
// second plus one expiry scan; bench/list_load.py measures the real program
// under that load.
#include <benchmark/benchmark.h>

#include "list/list_server.h"
#include "protocol/list_wire.h"

namespace {

constexpr std::array<std::uint8_t, 16> kSecret{3, 1, 4, 1, 5, 9, 2, 6, 5, 3, 5, 8, 9, 7, 9, 3};

// 10.H.L.1 in network byte order, H.L the number i.
std::uint32_t Address(int i) {
  return 0x0100000Au | (static_cast<std::uint32_t>(i & 0xFF) << 16) | (static_cast<std::uint32_t>(i >> 8) << 8);
}

struct Filled {
  krel::ListServer list{{}, kSecret};
  std::string reply;
  Filled() {
    for (int a = 0; a < 625; ++a)
      for (int p = 0; p < 16; ++p) Renew(a, p, 0);
  }
  void Renew(int a, int p, std::int64_t now) {
    const std::uint32_t ip = Address(a);
    list.Datagram(krel::EncodeListRegister(list.TokenFor(ip, 4000, now), static_cast<std::uint16_t>(17384 + p), 2,
                                           false, false),
                  ip, 4000, now, reply);
  }
};

void BM_ListRenewal(benchmark::State& state) {
  Filled f;
  std::vector<std::string> datagrams;
  for (int a = 0; a < 625; ++a)
    datagrams.push_back(krel::EncodeListRegister(f.list.TokenFor(Address(a), 4000, 1000), 17390, 4, true, false));
  std::size_t i = 0;
  for (auto _ : state) {
    f.list.Datagram(datagrams[i], Address(static_cast<int>(i)), 4000, 1000, f.reply);
    i = (i + 1) % datagrams.size();
  }
  if (f.list.size() != 10000) state.SkipWithError("not 10,000 relays listed");
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ListRenewal);

void BM_ListDetails(benchmark::State& state) {
  Filled f;
  std::vector<std::string> datagrams;
  for (int a = 0; a < 625; ++a)
    datagrams.push_back(krel::EncodeListDetails(f.list.TokenFor(Address(a), 4000, 1000),
                                                {0, 17390, 4, true, true, 2, 6, 15, true, false}));
  std::size_t i = 0;
  for (auto _ : state) {
    f.list.Datagram(datagrams[i], Address(static_cast<int>(i)), 4000, 1000, f.reply);
    i = (i + 1) % datagrams.size();
  }
  if (f.list.counters().dropped != 0) state.SkipWithError("details dropped");
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ListDetails);

// A page of the first version's answer (148 relays) or of one with details (108).
void BM_ListQueryPage(benchmark::State& state) {
  Filled f;
  const std::string query =
      krel::EncodeListQuery(1, krel::ListKey(Address(300), 0), krel::kListMaxDatagram, state.range(0) != 0);
  for (auto _ : state) {
    f.list.Datagram(query, Address(700), 5000, 1000, f.reply);
    benchmark::DoNotOptimize(f.reply.data());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ListQueryPage)->Arg(0)->Arg(1);

void BM_ListExpiryScan(benchmark::State& state) {
  Filled f;
  for (auto _ : state) f.list.Expire(1000);  // nothing expires: the whole scan, every second
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ListExpiryScan);

void BM_ListForgedRegistration(benchmark::State& state) {
  Filled f;
  const std::string forged = krel::EncodeListRegister({1, 2, 3, 4, 5, 6, 7, 8}, 17384, 2, false, false);
  for (auto _ : state) f.list.Datagram(forged, Address(900), 4000, 1000, f.reply);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ListForgedRegistration);

}  // namespace
