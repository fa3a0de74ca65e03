// TCP and UDP sockets on the event loop, IPv4 only.
//
// The calling code sees what it expects of a socket control: a state
// (0 closed, 6 connecting, 7 connected), whole-buffer sends that are queued in
// order and never lost on a partial write, "read everything available", and
// notifications (data arrival with the byte count, closed by the peer, error,
// connected, connection request) that run only inside EventLoop::Yield.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "protocol/net_loop.h"

namespace krel {

// Parses a dotted IPv4 address as typed (surrounding blanks allowed).
bool ParseIPv4(std::string_view text, std::uint32_t* address_be);

// A pending connection handed to the listener's notification. Accepting it
// moves it into a TcpConnection; one nobody accepts is refused (closed).
struct TcpRequest {
  int fd = -1;
  std::string peer;  // address:port
};

class TcpConnection {
 public:
  enum State : int { kClosed = 0, kConnecting = 6, kConnected = 7 };

  explicit TcpConnection(EventLoop& loop) : loop_(loop) {}
  ~TcpConnection() { Close(); }
  TcpConnection(const TcpConnection&) = delete;
  TcpConnection& operator=(const TcpConnection&) = delete;

  // Starts connecting; false at once for a malformed address.
  bool Connect(std::string_view address, std::uint16_t port);
  bool Accept(TcpRequest& request);
  // Queues the whole buffer behind anything not yet written.
  void Send(std::string_view bytes);
  // Everything that has arrived so far.
  std::string ReadAll();
  void Close();

  int state() const { return state_; }
  std::size_t Queued() const { return out_.size() - out_pos_; }
  const std::string& peer() const { return peer_; }

  std::function<void(std::size_t available)> OnData;
  std::function<void()> OnClose;
  std::function<void(int code, const std::string& text)> OnError;
  std::function<void()> OnConnect;

 private:
  void Adopt(int fd, State state);
  void Ready(short revents);
  void Flush();
  void Fail(int code);

  EventLoop& loop_;
  int fd_ = -1;
  EventLoop::Id watch_ = 0;
  int state_ = kClosed;
  int send_error_ = 0;
  std::string out_;
  std::size_t out_pos_ = 0;
  std::string peer_;
};

class TcpListener {
 public:
  explicit TcpListener(EventLoop& loop) : loop_(loop) {}
  ~TcpListener() { Close(); }
  TcpListener(const TcpListener&) = delete;
  TcpListener& operator=(const TcpListener&) = delete;

  // Port 0 picks a free one (see port()). On failure returns false and says why.
  bool Listen(std::uint16_t port, std::string_view bind_address, std::string* error);
  void Close();
  bool listening() const { return fd_ >= 0; }
  std::uint16_t port() const { return port_; }

  std::function<void(TcpRequest& request)> OnRequest;

 private:
  void Ready();

  EventLoop& loop_;
  int fd_ = -1;
  EventLoop::Id watch_ = 0;
  std::uint16_t port_ = 0;
};

// A datagram's sender or destination: IPv4 address in network byte order.
struct UdpPeer {
  std::uint32_t address_be = 0;
  std::uint16_t port = 0;
  std::string Text() const;  // dotted address
};

class UdpSocket {
 public:
  explicit UdpSocket(EventLoop& loop) : loop_(loop) {}
  ~UdpSocket() { Close(); }
  UdpSocket(const UdpSocket&) = delete;
  UdpSocket& operator=(const UdpSocket&) = delete;

  // Receiving side: fails if the port is taken. Port 0 picks a free one.
  bool Bind(std::uint16_t port, std::string_view bind_address, std::string* error);
  // Sending side: broadcast addresses are allowed.
  bool SetRemote(std::string_view address, std::uint16_t port);
  bool Send(std::string_view datagram);
  // To any address, whatever SetRemote said.
  bool SendTo(const UdpPeer& to, std::string_view datagram);
  void Close();
  std::uint16_t port() const { return port_; }

  std::function<void(const std::string& datagram, const std::string& sender)> OnDatagram;
  // Preferred over OnDatagram when set: the sender with its port.
  std::function<void(const std::string& datagram, const UdpPeer& sender)> OnDatagramFrom;

 private:
  bool Open();
  void Ready();

  EventLoop& loop_;
  int fd_ = -1;
  EventLoop::Id watch_ = 0;
  std::uint16_t port_ = 0;
  std::uint32_t remote_ = 0;
  std::uint16_t remote_port_ = 0;
  bool has_remote_ = false;
};

}  // namespace krel
