#include "protocol/net_sockets.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace krel {
namespace {

std::string Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return std::string(s);
}

sockaddr_in MakeAddress(std::uint32_t address_be, std::uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = address_be;
  a.sin_port = htons(port);
  return a;
}

std::string AddressText(const sockaddr_in& a) {
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &a.sin_addr, text, sizeof text);
  return text;
}

std::uint16_t BoundPort(int fd) {
  sockaddr_in a{};
  socklen_t len = sizeof a;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) return 0;
  return ntohs(a.sin_port);
}

bool BindTo(int fd, std::string_view bind_address, std::uint16_t port, std::string* error) {
  std::uint32_t addr = 0;
  if (!ParseIPv4(bind_address, &addr)) {
    if (error) *error = "not an IPv4 address: " + std::string(bind_address);
    return false;
  }
  sockaddr_in a = MakeAddress(addr, port);
  if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    if (error) *error = std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace

bool ParseIPv4(std::string_view text, std::uint32_t* address_be) {
  in_addr a{};
  if (inet_pton(AF_INET, Trim(text).c_str(), &a) != 1) return false;
  *address_be = a.s_addr;
  return true;
}

// --- TcpConnection ---------------------------------------------------------

void TcpConnection::Adopt(int fd, State state) {
  fd_ = fd;
  state_ = state;
  send_error_ = 0;
  out_.clear();
  out_pos_ = 0;
  int one = 1;
  setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  watch_ = loop_.Watch(fd_, [this](short revents) { Ready(revents); });
  loop_.WantWrite(watch_, state == kConnecting);
}

bool TcpConnection::Connect(std::string_view address, std::uint16_t port) {
  Close();
  std::uint32_t addr = 0;
  if (!ParseIPv4(address, &addr)) return false;
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_in a = MakeAddress(addr, port);
  peer_ = AddressText(a);
  if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 && errno != EINPROGRESS) {
    // Refused at once: report it like a refusal found later.
    int code = errno;
    Adopt(fd, kConnecting);
    send_error_ = code;
    return true;
  }
  Adopt(fd, kConnecting);
  return true;
}

bool TcpConnection::Accept(TcpRequest& request) {
  if (request.fd < 0) return false;
  Close();
  peer_ = request.peer;
  Adopt(request.fd, kConnected);
  request.fd = -1;
  return true;
}

void TcpConnection::Send(std::string_view bytes) {
  if (state_ != kConnected || bytes.empty()) return;
  if (out_pos_ == out_.size()) {
    out_.clear();
    out_pos_ = 0;
  }
  out_.append(bytes);
  Flush();
}

void TcpConnection::Flush() {
  while (out_pos_ < out_.size() && send_error_ == 0) {
    ssize_t n = send(fd_, out_.data() + out_pos_, out_.size() - out_pos_, MSG_NOSIGNAL);
    if (n > 0) {
      out_pos_ += static_cast<std::size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      break;
    } else {
      // Reported from the loop, never from inside the caller's Send.
      send_error_ = n < 0 ? errno : EPIPE;
    }
  }
  if (out_pos_ == out_.size()) {
    out_.clear();
    out_pos_ = 0;
  } else if (out_pos_ > (1u << 16) && out_pos_ > out_.size() / 2) {
    out_.erase(0, out_pos_);
    out_pos_ = 0;
  }
  loop_.WantWrite(watch_, Queued() > 0 || send_error_ != 0);
}

std::string TcpConnection::ReadAll() {
  std::string data;
  if (fd_ < 0) return data;
  char chunk[16384];
  for (;;) {
    ssize_t n = recv(fd_, chunk, sizeof chunk, 0);
    if (n > 0) {
      data.append(chunk, static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    break;  // would block, end of stream or error: the loop reports the last two
  }
  return data;
}

std::size_t TcpConnection::ReadSome(std::string& into, std::size_t max) {
  if (fd_ < 0 || max == 0) return 0;
  const std::size_t old = into.size();
  into.resize(old + max);
  ssize_t n;
  do {
    n = recv(fd_, into.data() + old, max, 0);
  } while (n < 0 && errno == EINTR);
  // Would block, end of stream or error: the loop reports the last two.
  into.resize(old + (n > 0 ? static_cast<std::size_t>(n) : 0));
  return n > 0 ? static_cast<std::size_t>(n) : 0;
}

void TcpConnection::ShutdownWrite() {
  if (fd_ >= 0) ::shutdown(fd_, SHUT_WR);
}

void TcpConnection::Close() {
  if (fd_ < 0) return;
  loop_.Unwatch(watch_);
  ::close(fd_);
  fd_ = -1;
  state_ = kClosed;
  out_.clear();
  out_pos_ = 0;
}

void TcpConnection::Fail(int code) {
  Close();
  if (OnError) OnError(code, std::strerror(code));
}

void TcpConnection::Ready(short revents) {
  if (state_ == kConnecting) {
    int err = send_error_;
    socklen_t len = sizeof err;
    if (err == 0) getsockopt(fd_, SOL_SOCKET, SO_ERROR, &err, &len);
    if (err != 0) return Fail(err);
    if (!(revents & (POLLOUT | POLLIN))) return;
    state_ = kConnected;
    loop_.WantWrite(watch_, false);
    if (OnConnect) OnConnect();
    return;
  }
  if (send_error_ != 0) return Fail(send_error_);
  if (revents & POLLOUT) Flush();
  if (send_error_ != 0) return Fail(send_error_);
  if (revents & (POLLIN | POLLHUP | POLLERR)) {
    int available = 0;
    if (ioctl(fd_, FIONREAD, &available) == 0 && available > 0) {
      if (OnData) OnData(static_cast<std::size_t>(available));
      return;
    }
    char probe;
    ssize_t n = recv(fd_, &probe, 1, MSG_PEEK);
    if (n == 0) {
      Close();
      if (OnClose) OnClose();
    } else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
      Fail(errno);
    } else if (n > 0 && OnData) {
      OnData(1);
    }
  }
}

// --- TcpListener -----------------------------------------------------------

bool TcpListener::Listen(std::uint16_t port, std::string_view bind_address, std::string* error) {
  Close();
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    if (error) *error = std::strerror(errno);
    return false;
  }
  int one = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  if (!BindTo(fd, bind_address, port, error)) {
    ::close(fd);
    return false;
  }
  if (listen(fd, 16) != 0) {
    if (error) *error = std::strerror(errno);
    ::close(fd);
    return false;
  }
  fd_ = fd;
  port_ = BoundPort(fd);
  watch_ = loop_.Watch(fd_, [this](short) { Ready(); });
  return true;
}

void TcpListener::Close() {
  if (fd_ < 0) return;
  loop_.Unwatch(watch_);
  ::close(fd_);
  fd_ = -1;
}

void TcpListener::Ready() {
  while (fd_ >= 0) {
    sockaddr_in a{};
    socklen_t len = sizeof a;
    int fd = accept4(fd_, reinterpret_cast<sockaddr*>(&a), &len, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return;
    // The port too: several clients may come from one address.
    TcpRequest request{fd, AddressText(a) + ":" + std::to_string(ntohs(a.sin_port))};
    if (OnRequest) OnRequest(request);
    if (request.fd >= 0) ::close(request.fd);
  }
}

// --- UdpSocket -------------------------------------------------------------

bool UdpSocket::Open() {
  if (fd_ >= 0) return true;
  fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd_ < 0) return false;
  int one = 1;
  setsockopt(fd_, SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
  watch_ = loop_.Watch(fd_, [this](short) { Ready(); });
  return true;
}

bool UdpSocket::Bind(std::uint16_t port, std::string_view bind_address, std::string* error) {
  Close();
  if (!Open()) {
    if (error) *error = std::strerror(errno);
    return false;
  }
  if (!BindTo(fd_, bind_address, port, error)) {
    Close();
    return false;
  }
  port_ = BoundPort(fd_);
  return true;
}

bool UdpSocket::SetRemote(std::string_view address, std::uint16_t port) {
  has_remote_ = ParseIPv4(address, &remote_);
  remote_port_ = port;
  return has_remote_;
}

bool UdpSocket::Send(std::string_view datagram) {
  if (!has_remote_ || !Open()) return false;
  sockaddr_in a = MakeAddress(remote_, remote_port_);
  return sendto(fd_, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&a), sizeof a) ==
         static_cast<ssize_t>(datagram.size());
}

bool UdpSocket::SendTo(const UdpPeer& to, std::string_view datagram) {
  if (!Open()) return false;
  sockaddr_in a = MakeAddress(to.address_be, to.port);
  return sendto(fd_, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&a), sizeof a) ==
         static_cast<ssize_t>(datagram.size());
}

std::string UdpPeer::Text() const { return AddressText(MakeAddress(address_be, port)); }

void UdpSocket::Close() {
  if (fd_ < 0) return;
  loop_.Unwatch(watch_);
  ::close(fd_);
  fd_ = -1;
  port_ = 0;
}

void UdpSocket::Ready() {
  for (int i = 0; i < 64 && fd_ >= 0; ++i) {
    char buf[2048];
    sockaddr_in from{};
    socklen_t len = sizeof from;
    ssize_t n = recvfrom(fd_, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len);
    if (n < 0) return;
    if (OnDatagramFrom) {
      OnDatagramFrom(std::string(buf, static_cast<std::size_t>(n)),
                     UdpPeer{from.sin_addr.s_addr, ntohs(from.sin_port)});
      continue;
    }
    if (OnDatagram) OnDatagram(std::string(buf, static_cast<std::size_t>(n)), AddressText(from));
  }
}

}  // namespace krel
