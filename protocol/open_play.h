// Open play: a game that people can join while it runs and leave without
// starting everyone's game over. It is agreed like pipelined play
// (protocol/pipelined.h), on top of it, so a client or server that speaks
// only the basic protocol never sees a byte of it:
//
//   client -> server   "$KREL0.82.0.0" "C" "C"    greeting, settings, pipelined ask
//   client -> server   "C" lives loading landc    a third time: asks for open play
//                                                 (and round trips: protocol/pipelined.h)
//   server -> client   "C" ... "P" version        as for pipelined play
//   server -> client   "O" version                raw byte kOpenPlayVersion: open play is on
//
// A server that does not know it answers the third "C" like the others.
// Only a game whose every client has agreed is played open; a game with
// one client that has not keeps the basic rules (no one joins once a worm
// is in play, a departure re-packs the slots and every game starts over).
//
// In an open game the server puts these before a batch's "n" (only to
// clients that agreed):
//
//   "L" number      raw byte: the receiver's worms number and number + 1
//                   left; the worms after them move down by two
//   "A"             two worms joined; they are the last two, and their
//                   states follow in full
//   "Q"             send the level as it is now (the receiver has applied
//                   every batch before this one): the client answers
//                   "Z" length blob
//
// A client that joins a running game gets, instead of the immediate answer
// to its settings:
//
//   "Z" length[4 raw bytes, big-endian] blob   the level (level_snapshot.h)
//   "C" ... "P" version "O" version            the answers, now
//   "E" batches[5] count length[4 raw] digs    it enters: the game's batch
//                   count so far, the worm count with its own, then the digs,
//                   drawings and chat lines of the batches since the level
//                   was taken
//
// and from then on the batches. The sync guard: after every 50th batch a
// client reports its level, and one whose level differs from the others'
// gets it again, between two batches:
//
//   client -> server   "K" batch[5] checksum[4 raw]        the level after that batch
//   server -> client   "Y" length[4] level length[4] digs  the game's level, the digs since
//
// Objects that draw themselves into the level: each client's copy of an
// object flies its own way (the others' worms are a round trip old), so in
// open play only the client whose worm owns the object says where its
// picture went, and every client, that one too, draws it when the batch
// brings it, among the digs in their order:
//
//   client -> server   "D" tile[4] x[4] y[4]    sprite number, top left corner
//   server -> client   "D" tile[4] x[4] y[4]    in the batch, with the digs
//
// The server relays them only to clients of open play (a client of the
// basic protocol in the same game gets the digs alone and draws its own
// copies' pictures, as it always did); they travel with the digs of a join
// ("E") and of a level sent again ("Y").
//
// Coming back: with "O" a client gets a token, which it sends after its
// settings when it connects again to the same server:
//
//   server -> client   "T" token[8 raw bytes]
//   client -> server   "T" token[8 raw bytes]    after the third "C"
//
// A client that returns within kReturnSeconds of losing its connection
// enters with the lives and kills its worms had; later it is a newcomer.
//
// The server's level and weapons: a server that names them (--level FILE,
// --arms FILE, else the shipped ones it found) announces each with the
// token; a client whose own file differs asks for it, and waits for it
// before its game starts; the server sends each at most once:
//
//   server -> client   "U" kind['V' or 'F'] checksum[4 raw] length[4 raw]
//   client -> server   "U" kind                                  send it
//   server -> client   "V" checksum[4 raw] length[4 raw] bytes   level.bmp as a file
//   server -> client   "F" checksum[4 raw] length[4 raw] bytes   arms.dat
//
// The checksum is the 32-bit FNV-1a hash of the bytes; the client checks
// the file as it checks its own and keeps it under its cache folder.
//
// Watching: a client that sends "W" after its settings (and token) is a
// spectator. It joins like a newcomer (the level; a second "W" once it has
// set up its game instead of a first frame; then "E" with the worm
// count, which counts no worms of its own) but holds no slots: its batches
// list every worm in slot order, it sends no states, counts toward no cycle
// nor the eight places (kMaxWatchers of its own), and one too slow to read
// its batches is ended. It may chat.
//
// Chat lines the server adds ("ANNA LEFT",
// "ANNA JOINED") are ordinary "c" lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace krel {

inline constexpr int kOpenPlayVersion = 1;

// While an open game runs the server announces it on the local network in
// a form a client of the basic protocol ignores (its bytes 2-14 are not the
// version text), instead of the "+" that stops when a game starts:
//
//   "+" "$KRELOPEN0.82" worms places watchers
//        raw bytes: worms in the game, free places to play, free places to watch
//
// Before a game starts, each "+" of the basic protocol follows one more
// datagram in that form, which such a client drops too, with one more byte:
//
//   "+" "$KRELOPEN0.82" worms places 0 flags
//        flags bit 0: a client in lock-step is in the game, so every
//        client's batches wait for its states (the game runs at its pace)
inline constexpr std::string_view kOpenAnnounceText = "$KRELOPEN0.82";
inline constexpr unsigned kAnnounceLockStepPaced = 1;

// The largest level (as sent, compressed) and the largest catch-up of digs
// a join may carry; both ends refuse more.
inline constexpr std::size_t kMaxLevelSnapshotBytes = 4 * 1024 * 1024;
inline constexpr std::size_t kMaxCatchUpBytes = 1024 * 1024;
inline constexpr std::size_t kReturnTokenBytes = 8;
// The largest level file a server sends.
inline constexpr std::size_t kMaxLevelFileBytes = 4 * 1024 * 1024;
// The largest weapon file a server sends.
inline constexpr std::size_t kMaxArmsFileBytes = 1024 * 1024;

// FNV-1a, 32 bits, of a file's bytes.
inline std::uint32_t FileChecksum(std::string_view bytes) {
  std::uint32_t h = 2166136261u;
  for (unsigned char c : bytes) h = (h ^ c) * 16777619u;
  return h;
}
inline constexpr int kMaxWatchers = 16;
inline constexpr int kReturnSeconds = 60;

}  // namespace krel
