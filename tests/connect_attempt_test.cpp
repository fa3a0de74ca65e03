// The address screen's connection attempt (refusals, joining, "NO ANSWER"),
// what the address takes, and name look-ups that never answer.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "client/frontend/select_server.h"
#include "client/net/connect_attempt.h"
#include "client/net/net_client.h"
#include "client/net/session.h"
#include "core_test_support.h"
#include "platform/headless/headless_platform.h"
#include "platform/script_input.h"
#include "platform/settings.h"
#include "protocol/resolver.h"
#include "server_test_support.h"
#include "sim_test_support.h"

namespace krel {
namespace {

using namespace krel::testing;

// A loopback server on the client's loop that does `behave` with every connection.
struct FakeServer {
  enum class Behave { kRefuseWithLine, kCloseAtOnce, kAnswerGreeting };
  TcpListener listener;
  std::unique_ptr<TcpConnection> conn;
  FakeServer(EventLoop& loop, Behave behave) : listener(loop) {
    std::string error;
    EXPECT_TRUE(listener.Listen(0, "127.0.0.1", &error)) << error;
    listener.OnRequest = [this, &loop, behave](TcpRequest& r) {
      conn = std::make_unique<TcpConnection>(loop);
      conn->Accept(r);
      if (behave == Behave::kRefuseWithLine) {
        conn->Send(std::string("cA GAME IS RUNNING ON THIS SERVER") + '\0');
        conn->Close();
      } else if (behave == Behave::kCloseAtOnce) {
        conn->Close();
      } else {
        ++connections;
        conn->OnData = [this](std::size_t) {
          const bool answered = greeting.size() >= 13;
          greeting += conn->ReadAll();
          if (!answered && greeting.size() >= 13) conn->Send(test::ConfigReply(7, 80, false));
        };
      }
    };
  }
  int connections = 0;
  std::string greeting;  // all the client sent
};

struct Client {
  std::unique_ptr<World> w = MakeSimWorld();
  HeadlessPlatform platform;
  NetClient n;
  Client() {
    w->platform = &platform;
    AttachNetwork(*w, n);
  }
  // Steps the attempt until it has failed or got past `until_past` (by default: joined).
  ConnectAttempt::Phase Run(ConnectAttempt& a, ConnectAttempt::Phase until_past = ConnectAttempt::Phase::kAnswering) {
    for (int i = 0; i < 2000 && a.phase() != ConnectAttempt::Phase::kIdle && a.phase() <= until_past; ++i) {
      n.loop.Yield(5);
      a.Step();
    }
    return a.phase();
  }
};

// A refusal reaches the game as nothing (no chat line, no open connection);
// the configuration that ends the wait for a join goes to the game.
TEST(ConnectAttempt, ARefusalSaysWhyUnderTheAddressAndAnAnswerIsJoined) {
  using B = FakeServer::Behave;
  // How the server behaves, whether it still listens, the reason shown ("": joined).
  for (const auto& [behave, listening, reason] :
       {std::tuple(B::kRefuseWithLine, true, "A GAME IS RUNNING ON THIS SERVER"),
        {B::kCloseAtOnce, true, "FULL"},
        {B::kCloseAtOnce, false, "REFUSED"},
        {B::kAnswerGreeting, true, ""}}) {
    Client client;
    FakeServer server(client.n.loop, behave);
    const std::uint16_t port = server.listener.port();
    if (!listening) server.listener.Close();
    ConnectAttempt attempt(*client.w);
    attempt.Begin(" 127.0.0.1 : " + std::to_string(port));
    const bool joined = *reason == '\0';
    EXPECT_EQ(client.Run(attempt), joined ? ConnectAttempt::Phase::kJoined : ConnectAttempt::Phase::kIdle) << reason;
    const World& w = *client.w;
    EXPECT_EQ(std::tuple(attempt.reason(), w.ChatLines[1], client.n.ws.state(), static_cast<int>(w.Connection),
                         w.ConfigReceived, w.LivesSetting == 7),
              std::tuple(reason, std::string(), joined ? 7 : 0, joined ? 7 : 0, ToFlag(joined), joined))
        << reason;
  }
}

TEST(ConnectAttempt, AServerThatNeverAnswersTheConnectionIsNoAnswer) {
  // A listener whose one-place queue is taken drops further connection
  // requests, so the attempt's connection stays unanswered.
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  const int filler = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&addr), len), 0);
  ASSERT_EQ(listen(fd, 0), 0);
  ASSERT_EQ(getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len), 0);
  ASSERT_EQ(connect(filler, reinterpret_cast<sockaddr*>(&addr), len), 0);

  Client client;
  ConnectAttempt attempt(*client.w);
  attempt.Begin("127.0.0.1:" + std::to_string(ntohs(addr.sin_port)));
  ASSERT_EQ(client.Run(attempt, ConnectAttempt::Phase::kResolving), ConnectAttempt::Phase::kConnecting);
  client.platform.Advance(6000);
  EXPECT_EQ(client.Run(attempt), ConnectAttempt::Phase::kIdle);
  EXPECT_EQ(attempt.reason(), "NO ANSWER");
  close(filler);
  close(fd);
}

TEST(ConnectAttempt, EarlyBytesAreToldApart) {
  const std::string line = std::string("cHELLO") + '\0';
  for (const auto& [bytes, refusal] : {std::pair<std::string, std::string>{"", "FULL"},
                                       {line + "cGO AWAY" + '\0', "GO AWAY"},
                                       {line + "cUNFINISHED", "HELLO"},
                                       {"c" + std::string(80, 'X') + '\0', std::string(50, 'X')}})
    EXPECT_EQ(RefusalText(bytes), refusal) << bytes;
  for (const auto& [bytes, beyond] : {std::pair{line, false}, {line + "cPART", false}, {line + "C", true}, {"C", true}})
    EXPECT_EQ(BeyondChatLines(bytes), beyond) << bytes;
}

// A name server that answers nothing until the test lets it.
std::atomic<bool> g_answer{false};
std::atomic<int> g_lookups{0};
bool HeldLookup(const std::string& host, std::uint32_t& address_be) {
  ++g_lookups;
  while (!g_answer) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  address_be = htonl(0x7F000001);
  return host != "nowhere";
}

TEST(Resolver, LookupsThatHangShareAFewThreadsAndAbandonedOnesAreDropped) {
  g_answer = false;
  g_lookups = 0;
  auto within = [](const std::function<bool()>& done) {
    for (int i = 0; i < 20000 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return done();
  };
  // Two names that hang take the threads there are.
  std::vector<std::unique_ptr<Resolver>> others;
  for (const char* name : {"a.example", "nowhere"}) {
    others.push_back(std::make_unique<Resolver>());
    others.back()->Start(name, &HeldLookup);
  }
  ASSERT_TRUE(within([] { return g_lookups == Resolver::kMaxLookupThreads; }));
  // The address screen meanwhile: Enter and Escape, again and again, on one name and others
  // typed in between; then the name once more, kept; and a name already being looked up.
  Resolver screen;
  for (int i = 0; i < 50; ++i) {
    screen.Start(i % 2 == 0 ? "slow.example" : "typed" + std::to_string(i % 5), &HeldLookup);
    screen.Cancel();
  }
  screen.Start("slow.example", &HeldLookup);
  others.push_back(std::make_unique<Resolver>());
  others.back()->Start("a.example", &HeldLookup);
  EXPECT_EQ(Resolver::ThreadsAlive(), Resolver::kMaxLookupThreads);
  g_answer = true;
  ASSERT_TRUE(within([&] { return screen.Done() && others[0]->Done() && others[1]->Done() && others[2]->Done(); }));
  std::uint32_t a = 0;
  EXPECT_TRUE(screen.Result(a) && others[0]->Result(a) && others[2]->Result(a));
  EXPECT_FALSE(others[1]->Result(a));
  // One look-up per distinct name still wanted: the abandoned ones never ran.
  EXPECT_EQ(g_lookups, 3);
  EXPECT_TRUE(within([] { return Resolver::ThreadsAlive() == 0; }));
}

TEST(SelectServerScreen, AddressTakesHostNamesAndPortsUpTo63Characters) {
  auto w = MakeSimWorld();
  HeadlessPlatform platform;
  w->platform = &platform;
  std::string address;
  for (unsigned char c : std::string("Game-1.example_net:17384!?/\xE4")) TypeAddressChar(*w, address, c);
  EXPECT_EQ(address, "Game-1.example_net:17384");
  TypeAddressChar(*w, address, 8);
  EXPECT_EQ(address, "Game-1.example_net:1738");
  address.clear();
  for (int i = 0; i < 70; ++i) TypeAddressChar(*w, address, 'a');
  EXPECT_EQ(address.size(), 63u);

  std::string host;
  std::uint16_t port = 17384;
  for (const auto& [text, want_host, want_port] : {std::tuple("10.0.0.1", "10.0.0.1", 17384),
                                                   {" krel.example.org:4000 ", "krel.example.org", 4000},
                                                   {"localhost : 65535", "localhost", 65535}}) {
    port = 17384;
    EXPECT_TRUE(SplitHostPort(text, host, port)) << text;
    EXPECT_EQ(std::tuple(host, port), std::tuple(std::string(want_host), want_port)) << text;
  }
  for (const char* bad : {"host:0", "host:65536", "host:", ":17384", "a b", "", "host:12x"})
    EXPECT_FALSE(SplitHostPort(bad, host, port)) << bad;
}

TEST(SelectServerScreen, TabOrAServerWithOnlyRoomToWatchMakesEnterWatchAndASpectatorTakingAPlacePlays) {
  // A screen pass takes real time here, so that the loopback server answers
  // within the script's passes (which only bound the wait).
  struct PacedPlatform : HeadlessPlatform {
    void Delay(std::uint32_t ms) override {
      HeadlessPlatform::Delay(ms);
      std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
  };
  constexpr std::pair<int, int> kPlaces{3, 5}, kWatchOnly{0, 5}, kFull{0, 0};
  struct Case {
    const char* keys;
    const std::pair<int, int>* open_places;  // announced by the server; null: none
    bool watches;
    bool play_at_once = false;  // a spectator took a free place: no key pressed
  } cases[] = {
      {"1 -\n1 RETURN\n", nullptr, false},
      {"1 -\n1 TAB\n1 -\n1 RETURN\n", nullptr, true},
      {"1 -\n1 TAB\n1 -\n1 TAB\n1 -\n1 RETURN\n", nullptr, false},
      {"1 -\n1 RETURN\n", &kPlaces, false},
      {"1 -\n1 TAB\n1 -\n1 RETURN\n", &kPlaces, true},
      // The first Enter says why it cannot play there; the next watches.
      {"1 -\n3 RETURN\n1 -\n1 RETURN\n", &kWatchOnly, true},
      {"1 -\n1 RETURN\n", &kFull, false},  // the server says "FULL" itself
      {"", &kPlaces, false, true},
  };
  for (const Case& c : cases) {
    TempCwd tmp;
    IniSettingsStore store((tmp.path() / "krel.ini").string());
    Client client;
    PacedPlatform platform;
    InputScript script;
    std::string error;
    ASSERT_TRUE(ParseInputScript(std::string(c.keys) + "300 -\n", "keys", script, error)) << error;
    ScriptInputPlatform scripted(platform, std::move(script));
    std::tie(client.w->platform, client.w->settings, client.n.AskPipelined) = std::tuple(&scripted, &store, true);
    FakeServer server(client.n.loop, FakeServer::Behave::kAnswerGreeting);
    const std::string address = "127.0.0.1:" + std::to_string(server.listener.port());
    store.SaveSetting("Network", "LastServer", address);
    if (c.open_places != nullptr) client.n.OpenPlaces[address] = *c.open_places;
    client.n.Watch = c.play_at_once;  // it was watching
    SelectServer(*client.w, c.play_at_once);
    EXPECT_EQ(std::tuple(server.connections, client.w->QuitRequested, server.greeting.ends_with("W"), client.n.Watch),
              std::tuple(1, false, c.watches, c.watches))
        << c.keys;
  }
}

}  // namespace
}  // namespace krel
