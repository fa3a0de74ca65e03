// The list server (datagrams, the token round trip, expiry, bounds, paged
// answers, a flood) and krelServer --register with a client's query against it
// on loopback sockets. The real programs together: tests/e2e/krel_server_list.sh.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>

#include <algorithm>
#include <atomic>
#include <random>

#include "client/net/list_query.h"
#include "list/list_server.h"
#include "protocol/list_wire.h"
#include "protocol/net_sockets.h"
#include "server/list_register.h"
#include "server/server_app.h"

namespace krel {
namespace {

constexpr std::array<std::uint8_t, 16> kSecret{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

std::uint32_t Ip(const char* text) {
  std::uint32_t a = 0;
  EXPECT_TRUE(ParseIPv4(text, &a));
  return a;
}

// Sends datagrams to a ListServer as if from one address and port.
struct Relay {
  ListServer& list;
  std::uint32_t ip;
  std::uint16_t udp_port;
  std::string reply;
  void Send(const std::string& d, std::int64_t now) { list.Datagram(d, ip, udp_port, now, reply); }
  // The whole round trip: ask, take the token, register with it.
  void Register(std::uint16_t tcp_port, std::int64_t now, int worms = 2, bool running = false) {
    Send(EncodeListRegister(ListToken{}, tcp_port, worms, running, false), now);
    ListMessage m;
    ASSERT_TRUE(ParseListDatagram(reply, m));
    Send(EncodeListRegister(m.token, tcp_port, worms, running, false), now);
  }
  // Sixteen TCP ports from `first` on: as many as one address may list.
  void RegisterSixteen(int first, std::int64_t now, int worms = 2, bool running = false) {
    for (int p = first; p < first + 16; ++p) Register(static_cast<std::uint16_t>(p), now, worms, running);
  }
};

// What a client of the first version takes: an answer "A" with only the running bit
// in its flags (the released client's own rule, kept as it was: such clients stay in use).
bool FirstVersionClientTakes(const std::string& d) {
  if (d.size() < kListAnswerHeader || d.compare(0, 5, "KRLSA") != 0 || static_cast<unsigned char>(d[9]) > 1)
    return false;
  const std::size_t count = static_cast<unsigned char>(d[10]);
  if (d.size() != kListAnswerHeader + count * kListEntrySize) return false;
  for (std::size_t at = kListAnswerHeader; at < d.size(); at += kListEntrySize)
    if ((d[at + 4] == 0 && d[at + 5] == 0) || static_cast<unsigned char>(d[at + 6]) > 16 ||
        static_cast<unsigned char>(d[at + 7]) > 1)
      return false;
  return true;
}

// Every page of the list as a client reads it; `detailed`: one that asks for details.
std::vector<ListEntry> AllPages(ListServer& list, std::int64_t now, std::size_t query_size = kListMaxDatagram,
                                bool detailed = false) {
  std::vector<ListEntry> all;
  std::uint64_t cursor = 0;
  std::string reply;
  for (int page = 0; page < 1000; ++page) {
    const std::string query = EncodeListQuery(77, cursor, query_size, detailed);
    list.Datagram(query, Ip("127.0.0.9"), 5000, now, reply);
    EXPECT_LE(reply.size(), query.size());
    EXPECT_TRUE(detailed || FirstVersionClientTakes(reply)) << testing::PrintToString(reply);
    ListMessage m;
    if (!ParseListDatagram(reply, m) || m.kind != ListMessage::Kind::kAnswer || m.nonce != 77 ||
        m.detailed != detailed) {
      ADD_FAILURE() << "no answer";
      break;
    }
    all.insert(all.end(), m.entries.begin(), m.entries.end());
    if (!m.more || m.entries.empty()) break;
    cursor = ListKey(m.entries.back().address_be, m.entries.back().port);
  }
  return all;
}

TEST(ListWire, DatagramsRoundTripAndMalformedOnesAreRefused) {
  ListToken token{9, 8, 7, 6, 5, 4, 3, 2};
  ListMessage m;
  ASSERT_TRUE(ParseListDatagram(EncodeListRegister(token, 17384, 6, true, false), m));
  EXPECT_EQ(std::tuple(m.kind, m.token, m.relay.port, m.relay.worms, m.relay.running, m.withdraw),
            std::tuple(ListMessage::Kind::kRegister, token, std::uint16_t{17384}, std::uint8_t{6}, true, false));
  ASSERT_TRUE(ParseListDatagram(EncodeListQuery(0xDEADBEEF, ListKey(Ip("10.1.2.3"), 99), 1200), m));
  EXPECT_EQ(std::tuple(m.kind, m.nonce, m.cursor, m.size),
            std::tuple(ListMessage::Kind::kQuery, 0xDEADBEEFu, ListKey(Ip("10.1.2.3"), 99), std::size_t{1200}));
  const std::vector<ListEntry> entries{{Ip("10.0.0.1"), 1, 16, true}, {Ip("192.168.1.2"), 65535, 0, false}};
  ASSERT_TRUE(ParseListDatagram(EncodeListAnswer(5, true, entries), m));
  ASSERT_EQ(m.entries.size(), 2u);
  EXPECT_EQ(std::tuple(m.more, ListEntryText(m.entries[0]), m.entries[0].worms, m.entries[0].running),
            std::tuple(true, std::string("10.0.0.1:1"), std::uint8_t{16}, true));
  EXPECT_EQ(ListEntryText(m.entries[1]), "192.168.1.2:65535");
  EXPECT_LT(ListKey(Ip("9.255.255.255"), 65535), ListKey(Ip("10.0.0.0"), 1));
  EXPECT_FALSE(m.detailed);
  // The second version: details, a query that asks for them, the answer.
  ListEntry game{0, 17384, 6, true, true, 3, 5, 16, true, true};
  ASSERT_TRUE(ParseListDatagram(EncodeListDetails(token, game), m));
  EXPECT_EQ(std::tuple(m.kind, m.token, m.relay), std::tuple(ListMessage::Kind::kDetails, token, game));
  for (bool detailed : {false, true}) {
    ASSERT_TRUE(ParseListDatagram(EncodeListQuery(1, 0, 1200, detailed), m));
    EXPECT_EQ(m.detailed, detailed);
  }
  EXPECT_EQ(EncodeListQuery(1, 2, 40, false), EncodeListQuery(1, 2, 40, true).substr(0, 15) + std::string(25, '\0'))
      << "the first 15 bytes are the first version's query";
  game.address_be = Ip("10.0.0.3");
  const std::vector<ListEntry> mixed{entries[0], game};
  ASSERT_TRUE(ParseListDatagram(EncodeListAnswer(5, false, mixed, true), m));
  EXPECT_EQ(std::tuple(m.detailed, m.entries), std::tuple(true, mixed));
  EXPECT_EQ(EncodeListAnswer(5, false, mixed),
            EncodeListAnswer(5, false, {entries[0], {game.address_be, 17384, 6, true}}))
      << "the first version's answer says nothing of details";

  const std::string reg = EncodeListRegister(token, 17384, 2, false, false);
  const std::string details = EncodeListDetails(token, game);
  const std::string answer = EncodeListAnswer(1, false, {game}, true);
  const std::string bad[] = {
      "",
      "KRLS",
      reg.substr(0, 16),
      reg + "x",
      "KRLX" + reg.substr(4),
      "KRLSZ" + reg.substr(5),
      EncodeListRegister(token, 0, 2, false, false),  // port 0
      reg.substr(0, 15) + '\x11' + reg.substr(16),    // 17 worms
      reg.substr(0, 16) + '\x04',                     // unknown flag
      EncodeListToken(token) + "x",
      EncodeListQuery(1, 0, 15).substr(0, 14),
      EncodeListQuery(1, 0, 1200) + "x",                             // longer than any datagram
      EncodeListAnswer(1, false, entries).substr(0, 18),             // count says two
      EncodeListAnswer(1, false, {{Ip("10.0.0.1"), 1, 17, false}}),  // 17 worms
      details.substr(0, 19),
      details + "x",
      details.substr(0, 16) + '\x08' + details.substr(17),  // unknown flag
      details.substr(0, 17) + '\x09' + details.substr(18),  // nine players
      details.substr(0, 18) + '\x06' + details.substr(19),  // three players and six places: more than eight
      details.substr(0, 19) + '\x11',                       // 17 to watch
      EncodeListDetails(token, {0, 0, 2, false}),           // port 0
      answer.substr(0, answer.size() - 1),
      answer.substr(0, 18) + '\x10' + answer.substr(19),             // unknown entry flag
      answer.substr(0, 18) + '\x01' + answer.substr(19),             // no details, yet places
      "KRLSD" + answer.substr(5, 5) + '\x01' + answer.substr(11, 8)  // an entry of the first version's size
  };
  for (const std::string& d : bad) EXPECT_FALSE(ParseListDatagram(d, m)) << testing::PrintToString(d);
}

TEST(ListServer, ARegistrationCountsOnlyAfterTheTokenRoundTripFromThatAddressAndPort) {
  const ListLimits limits{.token_period_ms = 10000};
  ListServer list(limits, kSecret);
  Relay a{list, Ip("10.0.0.1"), 4000, {}};
  a.Send(EncodeListRegister(ListToken{}, 17384, 2, false, false), 0);
  ListMessage m;
  ASSERT_TRUE(ParseListDatagram(a.reply, m));
  ASSERT_EQ(m.kind, ListMessage::Kind::kToken);
  EXPECT_LT(a.reply.size(), kListRegisterSize);  // never more back than came in
  EXPECT_EQ(list.size(), 0u);
  // The token is worth nothing from another address or another port.
  Relay forged_ip{list, Ip("10.0.0.2"), 4000, {}}, forged_port{list, Ip("10.0.0.1"), 4001, {}};
  forged_ip.Send(EncodeListRegister(m.token, 17384, 2, false, false), 0);
  forged_port.Send(EncodeListRegister(m.token, 17384, 2, false, false), 0);
  EXPECT_EQ(list.size(), 0u);
  a.Send(EncodeListRegister(m.token, 17384, 4, true, false), 100);
  EXPECT_TRUE(a.reply.empty());
  ASSERT_EQ(list.size(), 1u);
  const auto listed = AllPages(list, 100);
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(std::tuple(ListEntryText(listed[0]), listed[0].worms, listed[0].running),
            std::tuple(std::string("10.0.0.1:17384"), std::uint8_t{4}, true));
  // A token of the last period still counts and brings the new one; an older one does not.
  const std::int64_t period = limits.token_period_ms;
  a.Send(EncodeListRegister(m.token, 17384, 2, false, false), period + 5);
  ListMessage renewed;
  ASSERT_TRUE(ParseListDatagram(a.reply, renewed));
  EXPECT_NE(renewed.token, m.token);
  EXPECT_EQ(AllPages(list, period + 5).at(0).worms, 2);
  a.Send(EncodeListRegister(m.token, 17384, 9, false, false), 2 * period + 5);
  EXPECT_EQ(AllPages(list, 2 * period + 5).at(0).worms, 2);
}

TEST(ListServer, EntriesExpireWithoutRenewalAndLeaveWhenWithdrawn) {
  ListServer list({}, kSecret);
  Relay a{list, Ip("10.0.0.1"), 4000, {}};
  a.Register(1000, 0);
  a.Register(1001, 0);
  a.Register(1001, 20000);  // renewed
  list.Expire(30000);
  EXPECT_EQ(list.size(), 2u);
  list.Expire(30001);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(AllPages(list, 30001).at(0).port, 1001);
  const ListToken token = list.TokenFor(a.ip, a.udp_port, 30001);
  a.Send(EncodeListRegister(token, 1001, 0, false, true), 30001);
  EXPECT_EQ(list.size(), 0u);
}

ListRefusal RefusalIn(const std::string& reply) {
  ListMessage m;
  return ParseListDatagram(reply, m) && m.kind == ListMessage::Kind::kRefusal ? m.refusal : ListRefusal::kNone;
}

TEST(ListServer, EntriesAreBoundedPerAddressPerNetworkAndInAllAndTheRelayIsToldWhy) {
  ListServer list({.max_entries = 64}, kSecret);
  auto relay = [&](const char* ip) { return Relay{list, Ip(ip), 4000, {}}; };
  Relay greedy = relay("10.0.0.1");
  greedy.RegisterSixteen(1, 0);
  EXPECT_TRUE(greedy.reply.empty()) << "listed: nothing to say";
  greedy.Register(17, 0);
  EXPECT_EQ(RefusalIn(greedy.reply), ListRefusal::kAddress);
  Relay neighbour = relay("10.0.0.2"), third = relay("10.0.0.3");
  neighbour.RegisterSixteen(1, 0);
  third.Register(1, 0);
  EXPECT_EQ(RefusalIn(third.reply), ListRefusal::kNetwork) << "32 from one /24";
  for (const char* ip : {"10.0.1.1", "10.0.2.1"}) relay(ip).RegisterSixteen(1, 0);
  EXPECT_EQ(list.size(), 64u);
  Relay late = relay("192.0.2.1");
  late.Register(17384, 0);
  EXPECT_EQ(RefusalIn(late.reply), ListRefusal::kFull);
  greedy.Register(3, 10, 7);  // renewing a listed relay still works when full
  EXPECT_EQ(AllPages(list, 10).at(2).worms, 7);
  EXPECT_EQ(list.counters().refused, 3u);
  // A refusal is no larger than the registration it answers.
  EXPECT_LT(late.reply.size(), kListRegisterSize);
}

TEST(ListServer, AnEntryBelongsToTheRegistrationThatMadeIt) {
  ListServer list({}, kSecret);
  // A relay and another program on the same host, each registering from a UDP port of its own.
  Relay relay{list, Ip("10.0.0.1"), 4000, {}}, neighbour{list, Ip("10.0.0.1"), 4001, {}};
  relay.Register(17384, 0, 2, false);
  neighbour.Register(17384, 100, 16, true);
  EXPECT_EQ(RefusalIn(neighbour.reply), ListRefusal::kTaken);
  const ListToken token = list.TokenFor(neighbour.ip, neighbour.udp_port, 100);
  neighbour.Send(EncodeListRegister(token, 17384, 0, false, true), 100);
  EXPECT_EQ(RefusalIn(neighbour.reply), ListRefusal::kTaken);
  auto listed = AllPages(list, 100);
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(std::tuple(listed[0].worms, listed[0].running), std::tuple(std::uint8_t{2}, false));
  // Its own TCP port is the neighbour's to list.
  neighbour.Register(17385, 100, 4, false);
  EXPECT_EQ(list.size(), 2u);
  // Once the relay's entry has run out, a relay started again from another port takes over.
  neighbour.Register(17384, 31000, 2, false);
  EXPECT_TRUE(neighbour.reply.empty());
  relay.Register(17384, 31000);
  EXPECT_EQ(RefusalIn(relay.reply), ListRefusal::kTaken);
}

TEST(ListServer, RelaysOfBothVersionsAreListedAndEachClientGetsTheAnswerItReads) {
  ListServer list({.token_period_ms = 100000}, kSecret);
  Relay classic{list, Ip("10.0.0.1"), 4000, {}}, newer{list, Ip("10.0.0.2"), 4000, {}};
  const ListEntry game{0, 17384, 4, true, true, 2, 6, 15, true, false};
  const ListToken token = list.TokenFor(newer.ip, newer.udp_port, 0);
  newer.Send(EncodeListDetails(token, game), 0);
  EXPECT_EQ(list.size(), 0u) << "details alone list nobody";
  classic.Register(17384, 0, 2, false);
  newer.Register(17384, 0, 4, true);
  newer.Send(EncodeListDetails(token, game), 0);
  EXPECT_TRUE(newer.reply.empty()) << "details are never answered";
  // Details from an address or port that did not make the entry, or with a wrong token: dropped.
  Relay forged_port{list, newer.ip, 4001, {}};
  forged_port.Send(
      EncodeListDetails(list.TokenFor(newer.ip, 4001, 0), {0, 17384, 16, true, true, 8, 0, 0, false, true}), 0);
  newer.Send(EncodeListDetails(ListToken{}, {0, 17384, 16, true, true, 8, 0, 0, false, true}), 0);
  EXPECT_EQ(list.counters().dropped, 3u);

  // A client of the first version gets the first version's answer: the same
  // bytes as if neither relay sent details (AllPages checks that it takes it).
  const auto first = AllPages(list, 10);
  EXPECT_EQ(first, (std::vector<ListEntry>{{classic.ip, 17384, 2, false}, {newer.ip, 17384, 4, true}}));
  ListEntry expected = game;
  expected.address_be = newer.ip;
  EXPECT_EQ(AllPages(list, 10, kListMaxDatagram, true), (std::vector<ListEntry>{first[0], expected}));
  // A relay that stops sending details is shown without them once they outlive the expiry time.
  newer.Register(17384, 30001, 2, false);
  EXPECT_EQ(AllPages(list, 30001, kListMaxDatagram, true).back(), (ListEntry{newer.ip, 17384, 2, false}));
}

TEST(ListServer, AnswersArePagedAndNeverLargerThanTheQuery) {
  ListServer list({}, kSecret);
  for (int host = 1; host <= 25; ++host)
    Relay{list, Ip(("10.0." + std::to_string(host) + ".1").c_str()), 4000, {}}.RegisterSixteen(1001, 0);
  ASSERT_EQ(list.size(), 400u);
  for (const auto& [size, detailed] :
       {std::pair(kListMaxDatagram, false), std::pair(std::size_t{500}, false), std::pair(std::size_t{60}, false),
        std::pair(kListMaxDatagram, true), std::pair(std::size_t{60}, true)}) {
    const auto all = AllPages(list, 0, size, detailed);
    ASSERT_EQ(all.size(), 400u) << size;
    for (std::size_t i = 1; i < all.size(); ++i)
      EXPECT_LT(ListKey(all[i - 1].address_be, all[i - 1].port), ListKey(all[i].address_be, all[i].port));
  }
  std::string reply;
  list.Datagram(EncodeListQuery(1, 0, kListQueryMin), Ip("10.9.9.9"), 9, 0, reply);
  EXPECT_LE(reply.size(), kListQueryMin);
}

TEST(ListServer, AFloodOfForgedAndRandomDatagramsLeavesTheRealRelaysListed) {
  const ListLimits limits{.max_entries = 1000};
  ListServer list(limits, kSecret);
  Relay real1{list, Ip("127.0.0.1"), 5001, {}}, real2{list, Ip("127.0.0.1"), 5002, {}};
  real1.Register(17384, 0);
  real2.Register(17385, 0);
  std::mt19937 random(7);
  std::string reply;
  std::size_t answered_bytes = 0, sent_bytes = 0;
  for (int i = 0; i < 100000; ++i) {
    const std::uint32_t ip = static_cast<std::uint32_t>(random());
    const auto port = static_cast<std::uint16_t>(1 + random() % 65535);
    std::string d;
    switch (i % 4) {
      case 0:  // random bytes, sometimes with the right magic
        d.resize(random() % 1400);
        for (char& c : d) c = static_cast<char>(random());
        if (i % 8 == 0 && d.size() > 5) d.replace(0, 5, "KRLSR");
        break;
      case 1: {  // a registration with a guessed token, from a forged address
        ListToken t;
        for (auto& b : t) b = static_cast<std::uint8_t>(random());
        d = EncodeListRegister(t, port, 3, false, false);
        break;
      }
      case 2:  // a registration from an address that really answers
        d = EncodeListRegister(list.TokenFor(ip, port, 0), port, 3, false, false);
        break;
      default:  // a query too small for its answer
        d = EncodeListQuery(static_cast<std::uint32_t>(i), 0, 15 + random() % 40);
    }
    sent_bytes += d.size();
    list.Datagram(d, ip, port, 0, reply);
    answered_bytes += reply.size();
    EXPECT_LE(reply.size(), d.size());
    if (i % 5000 == 0) list.Expire(0);
  }
  EXPECT_EQ(list.size(), limits.max_entries);
  EXPECT_LE(answered_bytes, sent_bytes);
  real1.Register(17384, 1000);
  real2.Register(17385, 1000);
  list.Expire(31000);
  const auto left = AllPages(list, 31000);
  ASSERT_EQ(left.size(), 2u);
  EXPECT_EQ(std::tuple(left[0].port, left[1].port), std::tuple(17384, 17385));
}

// A list server on a loopback socket of the test's loop.
struct LoopbackList {
  ListServer list;
  UdpSocket socket;
  std::string reply;
  LoopbackList(EventLoop& loop, ListLimits limits = {}) : list(limits, kSecret), socket(loop) {
    std::string error;
    EXPECT_TRUE(socket.Bind(0, "127.0.0.1", &error)) << error;
    socket.OnDatagramFrom = [this](const std::string& d, const UdpPeer& from) {
      list.Datagram(d, from.address_be, from.port, EventLoop::NowMs(), reply);
      if (!reply.empty()) socket.SendTo(from, reply);
    };
  }
  std::string Name() const { return "127.0.0.1:" + std::to_string(socket.port()); }
};

// Runs the loop and polls the query until `done`, for 20 s at most.
bool PollUntil(EventLoop& loop, ListQuery& query, const std::function<bool()>& done) {
  for (const std::int64_t end = EventLoop::NowMs() + 20000; !done() && EventLoop::NowMs() < end;) {
    loop.Yield(5);
    query.Poll(EventLoop::NowMs());
  }
  return done();
}

TEST(ListServer, AClientSeesEveryRelayHoweverManyComeFirstAndOpenGamesWithPlayersFirst) {
  EventLoop loop;
  LoopbackList server(loop);
  // 1,200 entries from 75 low addresses, more than a round of pages holds,
  // then two real relays behind them: an empty one and one with players.
  const std::int64_t now = EventLoop::NowMs();
  for (int host = 1; host <= 75; ++host)
    Relay{server.list, Ip(("1.0." + std::to_string(host) + ".1").c_str()), 4000, {}}.RegisterSixteen(1, now, 0, true);
  Relay empty{server.list, Ip("200.0.0.1"), 4000, {}}, players{server.list, Ip("200.0.0.2"), 4000, {}};
  empty.Register(17384, now, 0, false);
  players.Register(17384, now, 4, false);
  ASSERT_EQ(server.list.size(), 1202u);
  ASSERT_GT(server.list.size(), std::size_t{ListQuery::kPagesPerRound} * kListMaxDetailedEntries);

  ListQuery query(loop, {server.Name()});
  auto run_until = [&](std::size_t shown) {
    return PollUntil(loop, query, [&] { return query.Servers().size() == shown; });
  };
  ASSERT_TRUE(run_until(1202));
  const auto shown = query.Servers();
  EXPECT_EQ(std::tuple(shown[0].address, shown[0].worms), std::tuple(std::string("200.0.0.2"), 4));
  EXPECT_EQ(shown[1].address, "200.0.0.1") << "then the open empty ones, before the running games";
  // Withdrawn, it leaves the screen when its stretch of the list comes round.
  empty.Send(EncodeListRegister(server.list.TokenFor(empty.ip, empty.udp_port, now), 17384, 0, false, true), now);
  ASSERT_EQ(server.list.size(), 1201u);
  EXPECT_TRUE(run_until(1201));
}

// A name server that fails the first two look-ups of a name.
std::atomic<int> g_flaky_lookups{0};
bool FlakyLookup(const std::string&, std::uint32_t& address_be) {
  if (++g_flaky_lookups <= 2) return false;
  address_be = htonl(INADDR_LOOPBACK);
  return true;
}

TEST(ListRegistrar, ANameIsTriedAgainUntilItResolvesAndARefusalIsLoggedOnce) {
  EventLoop loop;
  LoopbackList open(loop);
  LoopbackList full(loop, {.max_entries = 0});
  const RegistrarTiming timing{.interval_ms = 50, .check_ms = 10, .first_retry_ms = 20, .max_retry_ms = 40};
  g_flaky_lookups = 0;
  ListRegistrar registrar(loop, timing, &FlakyLookup);
  std::vector<std::string> log;
  registrar.on_event = [&](const std::string& line) { log.push_back(line); };
  auto logged = [&](const std::string& part) {
    return std::count_if(log.begin(), log.end(), [&](const std::string& l) { return l.find(part) != l.npos; });
  };
  std::string error;
  EXPECT_FALSE(registrar.Add("no host", &error));
  ASSERT_TRUE(registrar.Add("flaky.example:" + std::to_string(open.socket.port()), &error));
  ASSERT_TRUE(registrar.Add(full.Name(), &error));
  const auto status = [] { return ListRegistrar::Status{2, false}; };
  ASSERT_TRUE(registrar.Start(17384, "127.0.0.1", status, &error)) << error;
  const std::int64_t end = EventLoop::NowMs() + 20000;
  while ((open.list.size() == 0 || full.list.counters().refused < 5) && EventLoop::NowMs() < end) loop.Yield(5);
  ASSERT_EQ(open.list.size(), 1u);
  EXPECT_EQ(logged("cannot look up the list server flaky.example"), 2);
  EXPECT_EQ(logged("list server flaky.example:" + std::to_string(open.socket.port()) + " is at 127.0.0.1"), 1);
  EXPECT_EQ(logged("does not list this relay: the list is full"), 1) << "said once, not every registration";
}

// krelServer's registrar, the list server and a client's query in one thread (--announce-to 127.0.0.1).
TEST(ListServer, ARelayRegistersOverLoopbackAndAClientFindsIt) {
  EventLoop loop;
  LoopbackList server(loop);
  UdpSocket catcher(loop);
  std::string error;
  ASSERT_TRUE(catcher.Bind(0, "127.0.0.1", &error));
  ServerOptions o;
  std::tie(o.port, o.bind_address, o.announce_to, o.announce_port, o.register_with) =
      std::tuple(0, "127.0.0.1", "127.0.0.1", catcher.port(), std::vector{server.Name()});
  auto app = std::make_unique<ServerApp>(loop, o);
  ASSERT_TRUE(app->Start(&error)) << error;
  ASSERT_TRUE(app->StartRegistering(&error)) << error;
  ListQuery query(loop, {server.Name()});
  PollUntil(loop, query, [&] { return !query.Servers().empty(); });
  const std::vector<ListedServer> found = query.Servers();
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(std::tuple(found[0].address, found[0].port, found[0].worms, found[0].running),
            std::tuple(std::string("127.0.0.1"), app->port(), 0, false));
  EXPECT_EQ(ListedServerLine(found[0]), "127.0.0.1:" + std::to_string(app->port()) + " (0 worms)");
  EXPECT_EQ(std::tuple(found[0].detailed, found[0].play_places, found[0].watch_places, found[0].lock_step_paced),
            std::tuple(true, 8, 0, false))
      << "the relay's details came with it";
  // A relay that ends withdraws at once instead of waiting to expire.
  app.reset();
  for (int i = 0; i < 2000 && server.list.size() > 0; ++i) loop.Yield(5);
  EXPECT_EQ(server.list.size(), 0u);
}

// A list server of the first version answers a query for details as any: shown as before.
TEST(ListServer, AClientAskingAListServerOfTheFirstVersionShowsItsAnswerAsBefore) {
  EventLoop loop;
  UdpSocket socket(loop);
  std::string error;
  ASSERT_TRUE(socket.Bind(0, "127.0.0.1", &error)) << error;
  bool asked_for_details = false;
  socket.OnDatagramFrom = [&](const std::string& d, const UdpPeer& from) {
    ListMessage m;
    if (!ParseListDatagram(d, m) || m.kind != ListMessage::Kind::kQuery) return;
    asked_for_details = m.detailed;
    socket.SendTo(from, EncodeListAnswer(m.nonce, false, {{Ip("10.0.0.7"), 17390, 3, true}}));
  };
  ListQuery query(loop, {"127.0.0.1:" + std::to_string(socket.port())});
  PollUntil(loop, query, [&] { return !query.Servers().empty(); });
  const std::vector<ListedServer> found = query.Servers();
  ASSERT_EQ(found.size(), 1u);
  EXPECT_TRUE(asked_for_details);
  EXPECT_EQ(ListedServerLine(found[0]), "10.0.0.7:17390 (3 worms, GAME RUNNING)");
}

}  // namespace
}  // namespace krel
