#include "client/net/connect_attempt.h"

#include <cerrno>

#include "client/net/net_client.h"
#include "client/net/session.h"
#include "protocol/field_codec.h"

namespace krel {

namespace {

// A connection attempt to an address nobody answers may take minutes at the
// socket level; the screen gives up sooner and lets the player try again.
constexpr std::uint32_t kConnectWaitMs = 5000;
// How long a connected server may take to answer the greeting before the
// client goes on to the game anyway (where the set-up wait takes over).
constexpr std::uint32_t kAnswerWaitMs = 5000;
constexpr std::uint32_t kResolvingNoticeMs = 300;
// A refusal line as long as the screen is wide, at most.
constexpr std::size_t kReasonLength = 50;
// Bytes a server may send before its configuration.
constexpr std::size_t kEarlyBytes = 64 * 1024;

void SendGreeting(World& w) {
  std::string hello(kVersionText);
  hello += 'C';
  AppendField(hello, w.LivesSetting, 0, KindShort);
  AppendField(hello, w.LoadingSetting, 0, KindShort);
  AppendField(hello, w.LoadAndChange != kFalse ? 1 : 0, 0, KindFlag);
  // The same "C" once more asks to play pipelined, a third time (never a
  // fourth) for open play and round trips (protocol/pipelined.h).
  if (w.net->AskPipelined) {
    const std::string settings = hello.substr(kVersionText.size());
    hello += settings + settings;
    // Back at the server that gave it a token (only an open-play one does).
    if (!w.net->ReturnToken.empty() && w.net->ReturnAddress == w.net->Address) hello += "T" + w.net->ReturnToken;
    if (w.net->Watch) hello += "W";
  }
  w.net->ws.Send(hello);
  w.ConfigReceived = kFalse;
}

}  // namespace

std::string RefusalText(const std::string& bytes) {
  std::string text;
  std::size_t pos = 0;
  while (pos < bytes.size() && bytes[pos] == 'c') {
    const std::size_t end = bytes.find('\0', pos);
    if (end == std::string::npos) break;
    text = bytes.substr(pos + 1, end - pos - 1);
    pos = end + 1;
  }
  if (text.size() > kReasonLength) text.resize(kReasonLength);
  return text.empty() ? "FULL" : text;
}

bool BeyondChatLines(const std::string& bytes) {
  std::size_t pos = 0;
  while (pos < bytes.size() && bytes[pos] == 'c') {
    const std::size_t end = bytes.find('\0', pos);
    if (end == std::string::npos) return false;
    pos = end + 1;
  }
  return pos < bytes.size();
}

ConnectAttempt::ConnectAttempt(World& w) : w_(w), n_(*w.net) {}

std::uint32_t ConnectAttempt::Elapsed() const { return TickCount(w_) - start_; }

bool ConnectAttempt::Resolving() const { return phase_ == Phase::kResolving && Elapsed() > kResolvingNoticeMs; }

void ConnectAttempt::Begin(const std::string& address) {
  Abandon();
  std::string host;
  port_ = n_.tcpPort;
  if (!SplitHostPort(address, host, port_)) return;
  n_.Address = address;
  reason_.clear();
  start_ = TickCount(w_);
  resolver_.Start(host);
  phase_ = Phase::kResolving;
  Step();
}

void ConnectAttempt::Step() {
  if (phase_ == Phase::kResolving && resolver_.Done()) {
    std::uint32_t address = 0;
    if (!resolver_.Result(address)) return Fail("UNKNOWN HOST");
    n_.ws.Close();
    w_.Connection = ConnectionState::kClosed;
    Intercept();
    if (!n_.ws.Connect(UdpPeer{address, port_}.Text(), port_)) return Fail("");
    start_ = TickCount(w_);
    phase_ = Phase::kConnecting;
  }
  if (phase_ == Phase::kConnecting) {
    // Closed or reset by the peer means it took the connection and then
    // refused it, perhaps before this pass saw it connected.
    if (closed_ && (error_ == 0 || error_ == ECONNRESET)) return Fail(RefusalText(early_));
    if (closed_) return Fail(error_ == ECONNREFUSED ? "REFUSED" : "NO ANSWER");
    if (n_.ws.state() == TcpConnection::kConnected) {
      SendGreeting(w_);
      w_.Connection = static_cast<ConnectionState>(n_.ws.state());
      start_ = TickCount(w_);
      phase_ = Phase::kAnswering;
    } else if (Elapsed() > kConnectWaitMs) {
      return Fail("NO ANSWER");
    }
  }
  if (phase_ == Phase::kAnswering) {
    // A server that refuses us (its game runs, or it is full) closes the
    // connection, perhaps after one chat line saying why; one that takes us
    // answers the greeting with the game's configuration.
    if (BeyondChatLines(early_) || (!closed_ && Elapsed() > kAnswerWaitMs)) return Join();
    if (closed_) return Fail(RefusalText(early_));
  }
}

void ConnectAttempt::Abandon() {
  if (phase_ == Phase::kIdle || phase_ == Phase::kJoined) return;
  Release();
  resolver_.Cancel();
  CloseConnection(w_);
  phase_ = Phase::kIdle;
}

// Until the attempt ends, the connection's notifications come here: the
// game's own handlers would show a refusal as chat and "connection lost".
void ConnectAttempt::Intercept() {
  saved_data_ = n_.ws.OnData;
  saved_close_ = n_.ws.OnClose;
  saved_error_ = n_.ws.OnError;
  intercepting_ = true;
  closed_ = false;
  error_ = 0;
  early_.clear();
  n_.ws.OnData = [this](std::size_t) {
    early_ += n_.ws.ReadAll();
    // A server that floods us with lines before its configuration is not one
    // to join (the level of a running game comes before the configuration,
    // and the game's own bounds apply to it).
    if (early_.size() > kEarlyBytes && !BeyondChatLines(early_)) {
      n_.ws.Close();
      closed_ = true;
    }
  };
  n_.ws.OnClose = [this] { closed_ = true; };
  n_.ws.OnError = [this](int code, const std::string&) {
    closed_ = true;
    error_ = code;
  };
}

void ConnectAttempt::Release() {
  if (!intercepting_) return;
  n_.ws.OnData = saved_data_;
  n_.ws.OnClose = saved_close_;
  n_.ws.OnError = saved_error_;
  intercepting_ = false;
}

void ConnectAttempt::Fail(const std::string& why) {
  Release();
  CloseConnection(w_);
  reason_ = why;
  phase_ = Phase::kIdle;
}

void ConnectAttempt::Join() {
  Release();
  phase_ = Phase::kJoined;
  // What arrived meanwhile goes to the game as if it had just arrived.
  if (!early_.empty()) {
    n_.RecvBuffer.insert(0, early_);
    early_.clear();
    if (n_.ws.OnData) n_.ws.OnData(0);
  }
  w_.Connection = static_cast<ConnectionState>(n_.ws.state());
}

}  // namespace krel
