#include "list/list_server.h"

#include <cstring>

#include "protocol/net_sockets.h"

namespace krel {
namespace {

// SipHash-2-4: a keyed hash, so that nobody without the secret can compute
// the token of an address they cannot receive at.
std::uint64_t Rotl(std::uint64_t x, int b) { return (x << b) | (x >> (64 - b)); }

std::uint64_t SipHash(const std::array<std::uint8_t, 16>& key, const std::uint8_t* in, std::size_t len) {
  std::uint64_t k0 = 0, k1 = 0;
  for (int i = 7; i >= 0; --i) {
    k0 = (k0 << 8) | key[static_cast<std::size_t>(i)];
    k1 = (k1 << 8) | key[static_cast<std::size_t>(i + 8)];
  }
  std::uint64_t v0 = 0x736f6d6570736575ULL ^ k0, v1 = 0x646f72616e646f6dULL ^ k1;
  std::uint64_t v2 = 0x6c7967656e657261ULL ^ k0, v3 = 0x7465646279746573ULL ^ k1;
  auto round = [&] {
    v0 += v1;
    v1 = Rotl(v1, 13);
    v1 ^= v0;
    v0 = Rotl(v0, 32);
    v2 += v3;
    v3 = Rotl(v3, 16);
    v3 ^= v2;
    v0 += v3;
    v3 = Rotl(v3, 21);
    v3 ^= v0;
    v2 += v1;
    v1 = Rotl(v1, 17);
    v1 ^= v2;
    v2 = Rotl(v2, 32);
  };
  std::size_t i = 0;
  for (; i + 8 <= len; i += 8) {
    std::uint64_t m = 0;
    for (int j = 7; j >= 0; --j) m = (m << 8) | in[i + static_cast<std::size_t>(j)];
    v3 ^= m;
    round();
    round();
    v0 ^= m;
  }
  std::uint64_t last = static_cast<std::uint64_t>(len & 0xFF) << 56;
  for (std::size_t j = 0; i + j < len; ++j) last |= static_cast<std::uint64_t>(in[i + j]) << (8 * j);
  v3 ^= last;
  round();
  round();
  v0 ^= last;
  v2 ^= 0xFF;
  round();
  round();
  round();
  round();
  return v0 ^ v1 ^ v2 ^ v3;
}

// The /24 an address belongs to, in network byte order like the address.
std::uint32_t NetworkOf(std::uint32_t address_be) {
  unsigned char b[4];
  std::memcpy(b, &address_be, 4);
  b[3] = 0;
  std::uint32_t network = 0;
  std::memcpy(&network, b, 4);
  return network;
}

void CountDown(std::unordered_map<std::uint32_t, std::uint32_t>& counts, std::uint32_t key) {
  auto it = counts.find(key);
  if (it != counts.end() && --it->second == 0) counts.erase(it);
}

}  // namespace

std::string ListEntryText(const ListEntry& e) {
  return UdpPeer{e.address_be, e.port}.Text() + ":" + std::to_string(e.port);
}

ListServer::ListServer(ListLimits limits, const std::array<std::uint8_t, 16>& secret)
    : limits_(limits), secret_(secret) {}

ListToken ListServer::Token(std::uint32_t address_be, std::uint16_t port, std::int64_t period) const {
  std::uint8_t in[14];
  std::memcpy(in, &address_be, 4);
  in[4] = static_cast<std::uint8_t>(port >> 8);
  in[5] = static_cast<std::uint8_t>(port);
  for (int i = 0; i < 8; ++i) in[6 + i] = static_cast<std::uint8_t>(static_cast<std::uint64_t>(period) >> (8 * i));
  const std::uint64_t h = SipHash(secret_, in, sizeof in);
  ListToken t;
  for (int i = 0; i < 8; ++i) t[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(h >> (8 * i));
  return t;
}

ListToken ListServer::TokenFor(std::uint32_t address_be, std::uint16_t port, std::int64_t now_ms) const {
  return Token(address_be, port, now_ms / limits_.token_period_ms);
}

void ListServer::Datagram(std::string_view bytes, std::uint32_t from_address_be, std::uint16_t from_port,
                          std::int64_t now_ms, std::string& reply) {
  reply.clear();
  ++counters_.datagrams;
  ListMessage m;
  if (from_port == 0 || !ParseListDatagram(bytes, m)) {
    ++counters_.dropped;
    return;
  }
  if (m.kind == ListMessage::Kind::kRegister)
    Register(m, from_address_be, from_port, now_ms, reply);
  else if (m.kind == ListMessage::Kind::kDetails)
    TakeDetails(m, from_address_be, from_port, now_ms);
  else if (m.kind == ListMessage::Kind::kQuery)
    Answer(m, now_ms, reply);
  else
    ++counters_.dropped;  // tokens and answers are for relays and clients
}

void ListServer::Register(const ListMessage& m, std::uint32_t address_be, std::uint16_t port, std::int64_t now_ms,
                          std::string& reply) {
  const std::int64_t period = now_ms / limits_.token_period_ms;
  const ListToken current = Token(address_be, port, period);
  // Only a token this server sent to that very address and port counts; a
  // wrong one (or none yet) is answered with the right one and nothing else.
  if (m.token != current) {
    if (m.token != Token(address_be, port, period - 1)) {
      ++counters_.tokens_sent;
      reply = EncodeListToken(current);
      return;
    }
    reply = EncodeListToken(current);  // still valid, but the relay should move on to the new one
  }
  ++counters_.registrations;
  const std::uint64_t key = ListKey(address_be, m.relay.port);
  auto it = entries_.find(key);
  // Another registration's entry that has run out (a relay that ended
  // without withdrawing, started again from another port) is free.
  if (it != entries_.end() && it->second.udp_port != port && now_ms - it->second.seen_ms > limits_.expire_ms) {
    Remove(it, "expired");
    it = entries_.end();
  }
  ListRefusal refusal = ListRefusal::kNone;
  if (it != entries_.end() && it->second.udp_port != port)
    refusal = ListRefusal::kTaken;
  else if (m.withdraw) {
    if (it != entries_.end()) Remove(it, "withdrawn");
    return;
  } else if (it == entries_.end()) {
    refusal = RoomFor(address_be);
  }
  if (refusal != ListRefusal::kNone) {
    ++counters_.refused;
    // Said to the relay (a new token, if due, goes first: it comes back at
    // once and then hears why).
    if (reply.empty()) reply = EncodeListRefusal(refusal);
    return;
  }
  if (it == entries_.end()) {
    ++per_source_[address_be];
    ++per_network_[NetworkOf(address_be)];
    it = entries_.emplace(key, Entry{}).first;
    it->second.relay.address_be = address_be;
    it->second.relay.port = m.relay.port;
    it->second.udp_port = port;
    if (on_event) on_event("listed " + ListEntryText(it->second.relay));
  }
  it->second.relay.worms = m.relay.worms;
  it->second.relay.running = m.relay.running;
  it->second.seen_ms = now_ms;
}

void ListServer::TakeDetails(const ListMessage& m, std::uint32_t address_be, std::uint16_t port, std::int64_t now_ms) {
  const std::int64_t period = now_ms / limits_.token_period_ms;
  auto it = entries_.find(ListKey(address_be, m.relay.port));
  if ((m.token != Token(address_be, port, period) && m.token != Token(address_be, port, period - 1)) ||
      it == entries_.end() || it->second.udp_port != port) {
    ++counters_.dropped;
    return;
  }
  ListEntry& relay = it->second.relay;
  const std::uint32_t address = relay.address_be;
  relay = m.relay;
  relay.address_be = address;
  it->second.seen_ms = now_ms;
  it->second.details_ms = now_ms;
}

ListRefusal ListServer::RoomFor(std::uint32_t address_be) const {
  auto count = [](const std::unordered_map<std::uint32_t, std::uint32_t>& counts, std::uint32_t key) {
    auto it = counts.find(key);
    return it == counts.end() ? std::size_t{0} : std::size_t{it->second};
  };
  if (count(per_source_, address_be) >= limits_.per_source) return ListRefusal::kAddress;
  if (count(per_network_, NetworkOf(address_be)) >= limits_.per_network) return ListRefusal::kNetwork;
  if (entries_.size() >= limits_.max_entries) return ListRefusal::kFull;
  return ListRefusal::kNone;
}

void ListServer::Answer(const ListMessage& m, std::int64_t now_ms, std::string& reply) {
  ++counters_.queries;
  // Never more bytes back than came in.
  const std::size_t room = std::min(m.size, kListMaxDatagram);
  if (room < kListAnswerHeader) return;
  const std::size_t entry_size = m.detailed ? kListDetailedEntrySize : kListEntrySize;
  const std::size_t fits = std::min((room - kListAnswerHeader) / entry_size, kListMaxAnswerEntries);
  std::vector<ListEntry> page;
  auto it = entries_.upper_bound(m.cursor);
  for (; it != entries_.end() && page.size() < fits; ++it) {
    if (now_ms - it->second.seen_ms > limits_.expire_ms) continue;
    const ListEntry& relay = it->second.relay;
    // Details a relay stopped sending (an older version took its place) are not passed on.
    if (relay.detailed && now_ms - it->second.details_ms <= limits_.expire_ms)
      page.push_back(relay);
    else
      page.push_back(ListEntry{relay.address_be, relay.port, relay.worms, relay.running});
  }
  reply = EncodeListAnswer(m.nonce, it != entries_.end(), page, m.detailed);
}

void ListServer::Remove(std::map<std::uint64_t, Entry>::iterator it, const char* why) {
  const std::uint32_t address = it->second.relay.address_be;
  if (on_event) on_event(std::string(why) + " " + ListEntryText(it->second.relay));
  entries_.erase(it);
  CountDown(per_source_, address);
  CountDown(per_network_, NetworkOf(address));
}

void ListServer::Expire(std::int64_t now_ms) {
  for (auto it = entries_.begin(); it != entries_.end();) {
    auto next = std::next(it);
    if (now_ms - it->second.seen_ms > limits_.expire_ms) Remove(it, "expired");
    it = next;
  }
}

}  // namespace krel
