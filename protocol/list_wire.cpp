// The list-server protocol: UDP datagrams, every one starting with the four
// bytes "KRLS" and one kind byte. Numbers are unsigned and big-endian; an
// address is the four bytes of an IPv4 address as they travel in IP. No
// datagram is longer than 1,200 bytes.
//
//   Registration, relay -> list (17 bytes, every few seconds per list server)
//     "KRLS" "R" token[8] tcp_port[2] worms[1] flags[1]
//     token: the last one this list server sent to this relay's address and
//       port; all zero before the first. flags: bit 0 a game is running,
//       bit 1 the relay is going away (remove the entry). worms: 0..16 worm
//       slots in use. The entry's address is the datagram's source address.
//   Token, list -> relay (13 bytes, answers a registration whose token is
//     wrong or old)
//     "KRLS" "T" token[8]
//     Only whoever receives at the registering address and port learns the
//     token, so a registration from a forged address never counts. The
//     answer is smaller than what it answers: a forged registration cannot
//     make the list server send more than it was sent.
//   Refusal, list -> relay (6 bytes, answers a registration with the right
//     token that is not listed)
//     "KRLS" "N" reason[1]
//     reason: 1 the list is full, 2 too many relays from this address, 3
//       too many from this network (the /24 of the address), 4 this address
//       and TCP port are listed by another registration (from another UDP
//       port: an entry belongs to the registration that made it, and only
//       that one renews, changes or withdraws it). A relay that does not
//       know the kind drops it.
//   Query, client -> list (15 bytes or more, up to 1,200)
//     "KRLS" "Q" nonce[4] cursor_address[4] cursor_port[2] zero padding
//     Asks for the entries after the cursor in the list's order (address,
//     then port); the cursor of the first query is all zero.
//   Answer, list -> client (11 + 8 * count bytes, never more than the query)
//     "KRLS" "A" nonce[4] flags[1] count[1] count * entry
//     entry: address[4] tcp_port[2] worms[1] flags[1] (bit 0 game running)
//     nonce: the query's. flags bit 0: more entries follow the last one; the
//     client asks again with that entry as the cursor. One query gets at most
//     one answer, no larger than the query itself, so the list server
//     cannot be used to amplify traffic towards a forged source.
//
// The second version adds what a player needs to choose a game: places to
// play and to watch, and whether a client in lock-step sets the pace. Each
// side of the first version keeps seeing exactly the datagrams above: what
// is new travels in a kind it drops, or in bytes it does not read, and a
// list server sends details only to a client that asked for them.
//
//   Details, relay -> list (20 bytes, right after each registration but a
//     withdrawal; a list server of the first version drops the kind)
//     "KRLS" "S" token[8] tcp_port[2] worms[1] flags[1] players[1]
//       play_places[1] watch_places[1]
//     token, tcp_port, worms: as in the registration. flags: bit 0 a game
//       is running, bit 1 it is played open (it takes newcomers while it
//       runs), bit 2 a client in lock-step sets every client's pace.
//       players: 0..8 clients playing (spectators not counted). play_places:
//       how many more can join to play now, at most 8 minus players (0
//       while a game runs that takes no newcomers). watch_places: 0..16 how
//       many more can join to watch now. Counted only with the right token
//       and for the entry its registration made; never answered (the
//       registration gets the token or the refusal).
//   Query with details, client -> list (17 bytes or more, up to 1,200)
//     the query above with "D" 2 in bytes 15 and 16: its padding, which a
//     list server of the first version does not read (it answers with its
//     answer above), and which a client of the first version fills with
//     zero bytes.
//   Answer with details, list -> client (11 + 11 * count bytes, never more
//     than the query; only to a query with details)
//     "KRLS" "D" nonce[4] flags[1] count[1] count * entry
//     entry: address[4] tcp_port[2] worms[1] flags[1] players[1]
//       play_places[1] watch_places[1]
//     nonce, flags: as in the answer above. Entry flags: bit 0 game running,
//     bit 1 the relay's details are known (it sent them within the list's
//     expiry time), bits 2 and 3 the details' bits 1 and 2. Without bit 1
//     the details are all zero: the relay is of the first version.
#include "protocol/list_wire.h"

#include <algorithm>
#include <cstring>

namespace krel {
namespace {

constexpr std::string_view kMagic = "KRLS";
// Bytes 15 and 16 of a query that asks for details.
constexpr char kDetailedQueryMark[2] = {'D', 2};

// Details bits of a details registration and of an entry with details.
constexpr unsigned kDetailsOpen = 1u << 1, kDetailsLockStep = 1u << 2;
constexpr unsigned kEntryDetailed = 1u << 1, kEntryOpen = 1u << 2, kEntryLockStep = 1u << 3;

// The three counts of the details, checked against each other.
bool TakeCounts(std::string_view d, std::size_t at, ListEntry& e) {
  const unsigned players = static_cast<unsigned char>(d[at]);
  const unsigned play = static_cast<unsigned char>(d[at + 1]);
  const unsigned watch = static_cast<unsigned char>(d[at + 2]);
  if (players > kListMaxPlayers || play > kListMaxPlayers - players || watch > kListMaxWatchers) return false;
  e.players = static_cast<std::uint8_t>(players);
  e.play_places = static_cast<std::uint8_t>(play);
  e.watch_places = static_cast<std::uint8_t>(watch);
  return true;
}

void PutCounts(std::string& out, const ListEntry& e) {
  out += static_cast<char>(std::min<int>(e.players, kListMaxPlayers));
  out += static_cast<char>(std::min<int>(e.play_places, kListMaxPlayers - std::min<int>(e.players, kListMaxPlayers)));
  out += static_cast<char>(std::min<int>(e.watch_places, kListMaxWatchers));
}

std::uint8_t ClampWorms(int worms) {
  return static_cast<std::uint8_t>(worms < 0 ? 0 : worms > kListMaxWorms ? kListMaxWorms : worms);
}

void Put16(std::string& out, std::uint32_t v) {
  out += static_cast<char>((v >> 8) & 0xFF);
  out += static_cast<char>(v & 0xFF);
}

void Put32(std::string& out, std::uint32_t v) {
  Put16(out, v >> 16);
  Put16(out, v & 0xFFFF);
}

void PutAddress(std::string& out, std::uint32_t address_be) {
  char bytes[4];
  std::memcpy(bytes, &address_be, 4);
  out.append(bytes, 4);
}

std::uint32_t Get16(std::string_view d, std::size_t at) {
  return (static_cast<std::uint32_t>(static_cast<unsigned char>(d[at])) << 8) | static_cast<unsigned char>(d[at + 1]);
}

std::uint32_t Get32(std::string_view d, std::size_t at) { return (Get16(d, at) << 16) | Get16(d, at + 2); }

std::uint32_t GetAddress(std::string_view d, std::size_t at) {
  std::uint32_t a = 0;
  std::memcpy(&a, d.data() + at, 4);
  return a;
}

std::string Header(char kind) {
  std::string out(kMagic);
  out += kind;
  return out;
}

}  // namespace

std::uint64_t ListKey(std::uint32_t address_be, std::uint16_t port) {
  unsigned char b[4];
  std::memcpy(b, &address_be, 4);
  const std::uint64_t a = (static_cast<std::uint64_t>(b[0]) << 24) | (b[1] << 16) | (b[2] << 8) | b[3];
  return (a << 16) | port;
}

bool ParseListDatagram(std::string_view d, ListMessage& out) {
  if (d.size() < kListHeader || d.size() > kListMaxDatagram || d.substr(0, 4) != kMagic) return false;
  out = ListMessage{};
  switch (d[4]) {
    case 'R': {
      if (d.size() != kListRegisterSize) return false;
      out.kind = ListMessage::Kind::kRegister;
      std::memcpy(out.token.data(), d.data() + 5, 8);
      out.relay.port = static_cast<std::uint16_t>(Get16(d, 13));
      const unsigned worms = static_cast<unsigned char>(d[15]);
      const unsigned flags = static_cast<unsigned char>(d[16]);
      if (out.relay.port == 0 || worms > kListMaxWorms || flags > 3) return false;
      out.relay.worms = static_cast<std::uint8_t>(worms);
      out.relay.running = (flags & 1) != 0;
      out.withdraw = (flags & 2) != 0;
      return true;
    }
    case 'S': {
      if (d.size() != kListDetailsSize) return false;
      out.kind = ListMessage::Kind::kDetails;
      std::memcpy(out.token.data(), d.data() + 5, 8);
      ListEntry& e = out.relay;
      e.port = static_cast<std::uint16_t>(Get16(d, 13));
      const unsigned worms = static_cast<unsigned char>(d[15]);
      const unsigned flags = static_cast<unsigned char>(d[16]);
      if (e.port == 0 || worms > kListMaxWorms || flags > 7 || !TakeCounts(d, 17, e)) return false;
      e.worms = static_cast<std::uint8_t>(worms);
      e.running = (flags & 1) != 0;
      e.detailed = true;
      e.open_play = (flags & kDetailsOpen) != 0;
      e.lock_step_paced = (flags & kDetailsLockStep) != 0;
      return true;
    }
    case 'T':
      if (d.size() != kListTokenSize) return false;
      out.kind = ListMessage::Kind::kToken;
      std::memcpy(out.token.data(), d.data() + 5, 8);
      return true;
    case 'N': {
      if (d.size() != kListRefusalSize) return false;
      const unsigned reason = static_cast<unsigned char>(d[5]);
      if (reason < 1 || reason > 4) return false;
      out.kind = ListMessage::Kind::kRefusal;
      out.refusal = static_cast<ListRefusal>(reason);
      return true;
    }
    case 'Q':
      if (d.size() < kListQueryMin) return false;
      out.kind = ListMessage::Kind::kQuery;
      out.nonce = Get32(d, 5);
      out.cursor = ListKey(GetAddress(d, 9), static_cast<std::uint16_t>(Get16(d, 13)));
      out.size = d.size();
      out.detailed = d.size() >= kListDetailedQueryMin && d[15] == kDetailedQueryMark[0] &&
                     d[16] == kDetailedQueryMark[1];
      return true;
    case 'A':
    case 'D': {
      const bool detailed = d[4] == 'D';
      const std::size_t entry_size = detailed ? kListDetailedEntrySize : kListEntrySize;
      if (d.size() < kListAnswerHeader) return false;
      const std::size_t count = static_cast<unsigned char>(d[10]);
      const unsigned flags = static_cast<unsigned char>(d[9]);
      if (flags > 1 || d.size() != kListAnswerHeader + count * entry_size) return false;
      out.kind = ListMessage::Kind::kAnswer;
      out.detailed = detailed;
      out.nonce = Get32(d, 5);
      out.more = flags == 1;
      out.entries.reserve(count);
      for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = kListAnswerHeader + i * entry_size;
        ListEntry e;
        e.address_be = GetAddress(d, at);
        e.port = static_cast<std::uint16_t>(Get16(d, at + 4));
        const unsigned worms = static_cast<unsigned char>(d[at + 6]);
        const unsigned eflags = static_cast<unsigned char>(d[at + 7]);
        if (e.port == 0 || worms > kListMaxWorms || eflags > (detailed ? 15u : 1u)) return false;
        e.worms = static_cast<std::uint8_t>(worms);
        e.running = (eflags & 1) != 0;
        if (detailed) {
          e.detailed = (eflags & kEntryDetailed) != 0;
          e.open_play = (eflags & kEntryOpen) != 0;
          e.lock_step_paced = (eflags & kEntryLockStep) != 0;
          if (!TakeCounts(d, at + 8, e)) return false;
          // A relay without details has none to show.
          const bool any = e.open_play || e.lock_step_paced || e.players || e.play_places || e.watch_places;
          if (!e.detailed && any) return false;
        }
        out.entries.push_back(e);
      }
      return true;
    }
    default: return false;
  }
}

std::string EncodeListRegister(const ListToken& token, std::uint16_t tcp_port, int worms, bool running, bool withdraw) {
  std::string out = Header('R');
  out.append(reinterpret_cast<const char*>(token.data()), token.size());
  Put16(out, tcp_port);
  out += static_cast<char>(ClampWorms(worms));
  out += static_cast<char>((running ? 1 : 0) | (withdraw ? 2 : 0));
  return out;
}

std::string EncodeListDetails(const ListToken& token, const ListEntry& relay) {
  std::string out = Header('S');
  out.append(reinterpret_cast<const char*>(token.data()), token.size());
  Put16(out, relay.port);
  out += static_cast<char>(ClampWorms(relay.worms));
  out += static_cast<char>((relay.running ? 1u : 0u) | (relay.open_play ? kDetailsOpen : 0u) |
                           (relay.lock_step_paced ? kDetailsLockStep : 0u));
  PutCounts(out, relay);
  return out;
}

std::string EncodeListToken(const ListToken& token) {
  std::string out = Header('T');
  out.append(reinterpret_cast<const char*>(token.data()), token.size());
  return out;
}

std::string EncodeListRefusal(ListRefusal reason) {
  std::string out = Header('N');
  out += static_cast<char>(reason);
  return out;
}

std::string ListRefusalText(ListRefusal reason) {
  switch (reason) {
    case ListRefusal::kNone: break;
    case ListRefusal::kFull: return "the list is full";
    case ListRefusal::kAddress: return "the list holds as many relays from this address as it takes";
    case ListRefusal::kNetwork: return "the list holds as many relays from this network (/24) as it takes";
    case ListRefusal::kTaken: return "this address and TCP port are listed by another relay's registration";
  }
  return "no reason given";
}

std::string EncodeListQuery(std::uint32_t nonce, std::uint64_t cursor, std::size_t size, bool detailed) {
  std::string out = Header('Q');
  Put32(out, nonce);
  Put32(out, static_cast<std::uint32_t>(cursor >> 16));
  Put16(out, static_cast<std::uint32_t>(cursor & 0xFFFF));
  if (detailed) out.append(kDetailedQueryMark, 2);
  if (size > kListMaxDatagram) size = kListMaxDatagram;
  if (out.size() < size) out.resize(size, '\0');
  return out;
}

std::string EncodeListAnswer(std::uint32_t nonce, bool more, const std::vector<ListEntry>& entries, bool detailed) {
  std::string out = Header(detailed ? 'D' : 'A');
  Put32(out, nonce);
  out += static_cast<char>(more ? 1 : 0);
  out += static_cast<char>(entries.size());
  for (const ListEntry& e : entries) {
    PutAddress(out, e.address_be);
    Put16(out, e.port);
    out += static_cast<char>(e.worms);
    if (!detailed) {
      out += static_cast<char>(e.running ? 1 : 0);
      continue;
    }
    if (!e.detailed) {
      out += static_cast<char>(e.running ? 1 : 0);
      out.append(3, '\0');
      continue;
    }
    out += static_cast<char>((e.running ? 1u : 0u) | kEntryDetailed | (e.open_play ? kEntryOpen : 0u) |
                             (e.lock_step_paced ? kEntryLockStep : 0u));
    PutCounts(out, e);
  }
  return out;
}

}  // namespace krel
