// The relay under load: eight loopback clients play cycles as fast as the
// server lets them (both worms' full state each, the server's batches read
// and decoded), next to a plain eight-client loopback ping-pong of the same
// size in the same run. Reports cycles (one batch to each client) per
// second, the server thread's CPU time per cycle, and the cycle time.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>
#include <tuple>
#include <vector>

#include <benchmark/benchmark.h>

#include "protocol/worm_codec.h"
#include "server/server_app.h"
#include "tools/krel-bot/bot.h"

namespace krel {
namespace {

constexpr int kClients = 8;

int Dial(std::uint16_t port) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return fd;
}

void SendAll(int fd, const std::string& s) {
  for (std::size_t done = 0; done < s.size();) {
    ssize_t n = send(fd, s.data() + done, s.size() - done, MSG_NOSIGNAL);
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

bool RecvSome(int fd, std::string& buf) {
  char chunk[8192];
  ssize_t n = recv(fd, chunk, sizeof chunk, 0);
  if (n <= 0) return false;
  buf.append(chunk, static_cast<std::size_t>(n));
  return true;
}

// Reads one batch of state messages (no events in this load) and decodes it.
bool ReadBatch(int fd, std::string& buf, std::vector<WormRecord>& worms) {
  for (;;) {
    WireReader in(buf);
    int count = 0;
    bool ok = buf.size() >= 2 && buf[0] == 'n';
    if (ok) {
      in.rest.remove_prefix(1);
      TakeRawByte(in, count);
      worms.resize(count + 1);
      for (int i = 1; i <= count && !in.Incomplete; ++i) {
        if (in.rest.empty()) {
          in.Incomplete = true;
          break;
        }
        in.rest.remove_prefix(1);
        DecodeWormFull(in, worms[i]);
      }
      if (!in.Incomplete) {
        buf.erase(0, in.Consumed(buf));
        return true;
      }
    }
    if (!RecvSome(fd, buf)) return false;
  }
}

double ThreadCpuSeconds(pthread_t thread) {
  clockid_t id;
  timespec ts{};
  if (pthread_getcpuclockid(thread, &id) != 0 || clock_gettime(id, &ts) != 0) return 0;
  return ts.tv_sec + ts.tv_nsec * 1e-9;
}

// The relay on loopback in a thread of its own, announcing to a socket of
// this bench. Stop() ends it and returns the batches it sent; CpuSeconds()
// reads its thread's CPU clock.
class ServerThread {
 public:
  ServerThread() {
    std::promise<std::uint16_t> port_promise;
    thread_ = std::thread([&] {
      EventLoop loop;
      UdpSocket sink(loop);  // catches the announcements, on loopback only
      std::string error;
      sink.Bind(0, "127.0.0.1", &error);
      ServerOptions o;
      o.port = 0;
      o.bind_address = "127.0.0.1";
      o.announce_to = "127.0.0.1";
      o.announce_port = sink.port();
      ServerApp app(loop, o);
      app.Start(&error);
      port_promise.set_value(app.port());
      while (!stop_) app.Yield(5);
      batches_ = app.relay().Batches();
    });
    port_ = port_promise.get_future().get();
  }
  ~ServerThread() { Stop(); }

  std::uint16_t port() const { return port_; }
  double CpuSeconds() { return ThreadCpuSeconds(thread_.native_handle()); }
  std::int64_t Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    return batches_;
  }

 private:
  std::atomic<bool> stop_{false};
  std::thread thread_;
  std::uint16_t port_ = 0;
  std::int64_t batches_ = 0;
};

void BM_RelayCycle8Clients(benchmark::State& state) {
  ServerThread server;
  const std::uint16_t port = server.port();

  std::vector<int> fds;
  std::vector<std::string> bufs(kClients);
  std::vector<WormRecord> worms[kClients];
  std::vector<WormRecord> mine(2 * kClients), sent(2 * kClients);
  for (int c = 0; c < kClients; ++c) {
    fds.push_back(Dial(port));
    std::string hello(kVersionText);
    hello += "C\x80\x80";
    hello.push_back(1);
    SendAll(fds[c], hello);
    while (bufs[c].size() < 4) RecvSome(fds[c], bufs[c]);  // "C" and three one-byte fields
    bufs[c].clear();
    for (int k = 0; k < 2; ++k) {
      WormRecord& w = mine[2 * c + k];
      w.Name = "Load" + std::to_string(2 * c + k) + std::string(14, ' ');
      w.Lives = 15;
      w.Health = 100;
      w.Color = 30 * c;
    }
  }
  auto cycle = [&](int frame) {
    for (int c = 0; c < kClients; ++c) {
      std::string out;
      for (int k = 0; k < 2; ++k) {
        WormRecord& w = mine[2 * c + k];
        w.X = 100 + (frame % 300);
        w.Age = frame;
        out += "p";
        EncodeWormFull(out, w, sent[2 * c + k], WormRefs::Client);
      }
      SendAll(fds[c], out);
    }
    for (int c = 0; c < kClients; ++c) ReadBatch(fds[c], bufs[c], worms[c]);
  };
  int frame = 0;
  for (int i = 0; i < 20; ++i) cycle(++frame);

  const double cpu0 = server.CpuSeconds();
  for (auto _ : state) cycle(++frame);
  const double cpu = server.CpuSeconds() - cpu0;

  state.counters["cycles_per_s"] = benchmark::Counter(state.iterations(), benchmark::Counter::kIsRate);
  state.counters["batches_per_s"] = benchmark::Counter(state.iterations() * kClients, benchmark::Counter::kIsRate);
  state.counters["server_cpu_us_per_cycle"] = cpu * 1e6 / state.iterations();
  state.counters["server_cpu_us_per_batch"] = cpu * 1e6 / (state.iterations() * kClients);
  for (int fd : fds) close(fd);
}
BENCHMARK(BM_RelayCycle8Clients)->UseRealTime()->Unit(benchmark::kMicrosecond);

// The same eight clients against a plain echo that answers each request
// with a batch of the same shape and size as the relay's (sixteen worms,
// the second cycle's deltas), which the clients read and decode as before:
// the floor that loopback TCP, the scheduler and the clients' own work set
// for one round trip of everybody. The relay's cycle minus this is what the
// server adds.
std::string TypicalBatch() {
  std::vector<WormRecord> worms(2 * kClients), sent(2 * kClients);
  std::string batch;
  for (int frame = 1; frame <= 2; ++frame) {
    batch.assign(1, 'n');
    AppendRawByte(batch, 2 * kClients);
    for (int i = 0; i < 2 * kClients; ++i) {
      WormRecord& w = worms[static_cast<std::size_t>(i)];
      w.Name = "Load" + std::to_string(i) + std::string(14, ' ');
      std::tie(w.Lives, w.Health, w.Color, w.X, w.Age) = std::tuple(15, 100, 30 * (i / 2), 100 + frame, frame);
      batch += 'p';
      EncodeWormFull(batch, w, sent[static_cast<std::size_t>(i)], WormRefs::Server);
    }
  }
  return batch;
}

void BM_LoopbackPingPong8Clients(benchmark::State& state) {
  int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a);
  listen(listener, kClients);
  socklen_t len = sizeof a;
  getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len);
  const std::uint16_t port = ntohs(a.sin_port);
  std::vector<int> clients;
  for (int c = 0; c < kClients; ++c) clients.push_back(Dial(port));
  std::vector<pollfd> served;
  for (int c = 0; c < kClients; ++c) served.push_back(pollfd{accept(listener, nullptr, nullptr), POLLIN, 0});
  const std::string request(2 * 41, 'p');
  const std::string reply = TypicalBatch();
  std::atomic<bool> stop{false};
  std::thread echo([&] {
    char buf[16384];
    std::vector<std::size_t> got(served.size());
    while (!stop) {
      if (poll(served.data(), served.size(), 5) <= 0) continue;
      for (std::size_t i = 0; i < served.size(); ++i) {
        if (!(served[i].revents & POLLIN)) continue;
        ssize_t n = recv(served[i].fd, buf, sizeof buf, 0);
        if (n <= 0) continue;
        got[i] += static_cast<std::size_t>(n);
        if (got[i] < request.size()) continue;
        got[i] -= request.size();
        SendAll(served[i].fd, reply);
      }
    }
  });
  std::string buf;
  std::vector<WormRecord> worms;
  for (auto _ : state) {
    for (int fd : clients) SendAll(fd, request);
    for (int fd : clients) {
      buf.clear();
      ReadBatch(fd, buf, worms);
    }
  }
  state.counters["cycles_per_s"] = benchmark::Counter(state.iterations(), benchmark::Counter::kIsRate);
  state.counters["reply_bytes"] = static_cast<double>(reply.size());
  stop = true;
  echo.join();
  for (int fd : clients) close(fd);
  for (auto& p : served) close(p.fd);
  close(listener);
}
BENCHMARK(BM_LoopbackPingPong8Clients)->UseRealTime()->Unit(benchmark::kMicrosecond);

// The relay with eight krel-bot clients playing a game of 1500 frames on the
// shipped level, as fast as the server paces them: the cycle here is set by
// the bots' own frames (eight worlds on this machine's cores), so what counts
// is the server thread's CPU time per cycle and what that makes at 25
// cycles per second.
void BM_RelayWith8Bots(benchmark::State& state) {
  for (auto _ : state) {
    ServerThread server;
    const double cpu0 = server.CpuSeconds();
    bot::BotOptions o;
    o.port = server.port();
    o.count = kClients;
    o.data_dir = std::string(KREL_SOURCE_DIR) + "/data";
    o.lives = 9999;
    o.seed = 1;
    o.limits.frames = 1500;
    o.limits.wait_for_clients = kClients;
    const std::atomic<bool> never{false};
    const auto start = std::chrono::steady_clock::now();
    const auto reports = bot::RunBots(o, never);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = server.CpuSeconds() - cpu0;
    const std::int64_t cycles = server.Stop();
    for (const auto& r : reports)
      if (!r.Ok()) state.SkipWithError(r.Line().c_str());
    state.SetIterationTime(wall);
    state.counters["cycles"] = static_cast<double>(cycles);
    state.counters["batches_per_s"] = cycles * kClients / wall;
    state.counters["server_cpu_us_per_cycle"] = cpu * 1e6 / static_cast<double>(cycles);
    state.counters["server_cpu_us_per_batch"] = cpu * 1e6 / static_cast<double>(cycles * kClients);
    state.counters["server_core_pct_at_25Hz"] = cpu / static_cast<double>(cycles) * 25 * 100;
  }
}
BENCHMARK(BM_RelayWith8Bots)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace krel
