// libFuzzer target: arbitrary bytes as datagrams from made-up senders into
// the list server, with its clock moving on, plus the parser alone. Each
// datagram is [length][sender address byte][sender port byte][time step]
// followed by `length` bytes. Whatever arrives, the list stays within its
// bounds and never answers with more bytes than it was sent.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "list/list_server.h"
#include "protocol/list_wire.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  krel::ListLimits limits;
  limits.max_entries = 20;
  limits.per_source = 4;
  limits.expire_ms = 3000;
  limits.token_period_ms = 5000;
  krel::ListServer list(limits, {});
  std::string reply;
  std::int64_t now = 0;
  std::size_t pos = 0;
  while (pos + 4 <= size) {
    const std::size_t length = std::min<std::size_t>(data[pos] * 8u, size - pos - 4);
    const std::uint32_t address = 0x0100007Fu + (static_cast<std::uint32_t>(data[pos + 1] & 7) << 24);
    const auto port = static_cast<std::uint16_t>(data[pos + 2] % 5);
    now += data[pos + 3] * 40;
    std::string datagram(reinterpret_cast<const char*>(data + pos + 4), length);
    pos += 4 + length;
    krel::ListMessage m;
    krel::ParseListDatagram(datagram, m);
    // A registration (or its details) with the right token now and then, so
    // that entries come and go.
    const bool registers =
        (m.kind == krel::ListMessage::Kind::kRegister && datagram.size() == krel::kListRegisterSize) ||
        (m.kind == krel::ListMessage::Kind::kDetails && datagram.size() == krel::kListDetailsSize);
    if (registers && (data[pos - 1] & 1))
      datagram.replace(5, 8, reinterpret_cast<const char*>(list.TokenFor(address, port, now).data()), 8);
    list.Datagram(datagram, address, port, now, reply);
    if (reply.size() > datagram.size() || list.size() > limits.max_entries) std::abort();
    if (data[pos - 1] == 0xFF) list.Expire(now);
  }
  return 0;
}
