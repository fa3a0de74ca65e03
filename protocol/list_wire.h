// The datagrams between relay servers, the list server (krelList) and the
// game clients that ask it for servers. The format is documented at the top
// of list_wire.cpp, which writes every one of them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace krel {

inline constexpr std::uint16_t kListPort = 17385;
// No datagram of this protocol is longer; longer ones are dropped unread.
inline constexpr std::size_t kListMaxDatagram = 1200;
inline constexpr std::size_t kListHeader = 5;  // magic and kind
inline constexpr std::size_t kListRegisterSize = 17;
inline constexpr std::size_t kListTokenSize = 13;
inline constexpr std::size_t kListRefusalSize = 6;
inline constexpr std::size_t kListQueryMin = 15;
inline constexpr std::size_t kListAnswerHeader = 11;
inline constexpr std::size_t kListEntrySize = 8;
inline constexpr std::size_t kListMaxAnswerEntries = (kListMaxDatagram - kListAnswerHeader) / kListEntrySize;
inline constexpr int kListMaxWorms = 16;
// The second version of the protocol: a relay's details of its game, and
// the queries and answers that carry them (list_wire.cpp).
inline constexpr std::size_t kListDetailsSize = 20;
inline constexpr std::size_t kListDetailedQueryMin = 17;
inline constexpr std::size_t kListDetailedEntrySize = 11;
inline constexpr std::size_t kListMaxDetailedEntries = (kListMaxDatagram - kListAnswerHeader) / kListDetailedEntrySize;
inline constexpr int kListMaxPlayers = 8;
inline constexpr int kListMaxWatchers = 16;

using ListToken = std::array<std::uint8_t, 8>;

// Why a list server did not list a relay whose registration was genuine.
enum class ListRefusal : std::uint8_t {
  kNone = 0,
  kFull = 1,     // the list holds as many relays as it keeps
  kAddress = 2,  // as many relays from this address as one may have
  kNetwork = 3,  // as many relays from this network (/24) as one may have
  kTaken = 4,    // this address and TCP port are listed by another registration
};
// The reason in words, for the relay's log.
std::string ListRefusalText(ListRefusal reason);

// One relay as the list knows it. `address_be` is the IPv4 address in
// network byte order, as the sockets use it.
struct ListEntry {
  std::uint32_t address_be = 0;
  std::uint16_t port = 0;
  std::uint8_t worms = 0;
  bool running = false;
  // What a relay of the second version tells of its game; `detailed` is
  // false (and the rest zero) for a relay that does not.
  bool detailed = false;
  std::uint8_t players = 0;       // clients playing (spectators not counted)
  std::uint8_t play_places = 0;   // more that can join to play now
  std::uint8_t watch_places = 0;  // more that can join to watch now
  bool open_play = false;         // the game takes newcomers while it runs
  bool lock_step_paced = false;   // a client in lock-step sets every client's pace
  friend bool operator==(const ListEntry&, const ListEntry&) = default;
};

struct ListMessage {
  enum class Kind { kRegister, kDetails, kToken, kQuery, kAnswer, kRefusal };
  Kind kind = Kind::kRegister;
  ListToken token{};                         // kRegister, kDetails, kToken
  ListEntry relay;                           // kRegister: port, worms, running; kDetails: all but the address
  bool withdraw = false;                     // kRegister: the relay is going away
  std::uint32_t nonce = 0;                   // kQuery, kAnswer
  std::uint64_t cursor = 0;                  // kQuery: answer entries after this key
  std::size_t size = 0;                      // kQuery: the datagram's length
  bool detailed = false;                     // kQuery: asks for details; kAnswer: carries them
  bool more = false;                         // kAnswer: entries follow after the last one
  std::vector<ListEntry> entries;            // kAnswer
  ListRefusal refusal = ListRefusal::kNone;  // kRefusal
};

// The order of the list and the cursor of a query: address, then port.
std::uint64_t ListKey(std::uint32_t address_be, std::uint16_t port);

// False for anything that is not exactly one well-formed datagram of this
// protocol (wrong magic, unknown kind, wrong length, values out of range).
bool ParseListDatagram(std::string_view datagram, ListMessage& out);

std::string EncodeListRegister(const ListToken& token, std::uint16_t tcp_port, int worms, bool running, bool withdraw);
// The details registration: `relay`'s port, worms, running and details
// (its address is the datagram's source).
std::string EncodeListDetails(const ListToken& token, const ListEntry& relay);
std::string EncodeListToken(const ListToken& token);
std::string EncodeListRefusal(ListRefusal reason);
// Padded with zero bytes to `size` (at least kListQueryMin, at most
// kListMaxDatagram): the list server answers with no more bytes than that.
// `detailed`: asks a list server of the second version for the details
// (one of the first answers as always).
std::string EncodeListQuery(std::uint32_t nonce, std::uint64_t cursor, std::size_t size, bool detailed = false);
// `detailed`: the answer to a query that asked for details, with every
// entry's details; otherwise the first version's answer, which has none.
std::string EncodeListAnswer(std::uint32_t nonce, bool more, const std::vector<ListEntry>& entries,
                             bool detailed = false);

}  // namespace krel
