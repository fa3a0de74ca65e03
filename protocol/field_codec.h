// The byte-level field codec both programs speak over TCP.
//
// A connection is a plain byte stream: a one-letter tag, then the message's
// fields, with no lengths and no delimiters. Each field is written in one of
// six kinds; kinds 1, 3, 4 and 5 compare the value with a reference (what the
// receiver is believed to hold already) and send a single marker byte when
// nothing changed:
//
//   kind 1 text   the bytes, then 0              unchanged: a lone 0 byte
//   kind 2 byte   1 byte, -127..128              (no marker)
//   kind 3 fixed  3 bytes big-endian, value*100  unchanged: 128
//                 negatives offset by 167116.8, two decimals
//   kind 4 short  2 bytes big-endian             unchanged: 128
//                 negatives offset by 65280 (not 65536)
//   kind 5 long   4 bytes big-endian, 0..2^31-1  unchanged: 128
//   kind 6 flag   1 byte, 0 or 1                 (no marker)
//
// No encoded number starts with 128 (such values are shifted down one step of
// their leading byte), so a leading 128 always means "unchanged". Values a
// kind cannot carry arrive changed but never break the stream: the encoder
// clamps them into the bytes the kind has, and text is cut at a 0 byte.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "protocol/base/numbers.h"

namespace krel {

enum FieldKind : int { KindText = 1, KindByte = 2, KindFixed = 3, KindShort = 4, KindLong = 5, KindFlag = 6 };

// The greeting and announcement identifier of both programs.
inline constexpr std::string_view kVersionText = "$KREL0.82.0.0";
inline constexpr std::uint8_t kUnchanged = 128;

// Appends the encoding of `value` (a number of any of the game's formats,
// converted to fixed) as `kind`; the unchanged marker when it equals
// `reference`. Kinds 2 and 6 ignore the reference; an unknown kind appends
// nothing.
void AppendField(std::string& dest, fixed value, fixed reference, int kind);
void AppendField(std::string& dest, std::string_view value, std::string_view reference, int kind);
// The same without a reference: the value always travels in full (used when
// the receiver's copy is unknown). An empty text still becomes a lone 0 byte.
void AppendFieldWhole(std::string& dest, fixed value, int kind);
void AppendFieldWhole(std::string& dest, std::string_view value, int kind);
inline void AppendRawByte(std::string& dest, int value) { dest.push_back(static_cast<char>(value & 0xFF)); }
// Four raw bytes, big-endian (the lengths of open play, protocol/open_play.h).
inline void AppendRawLong(std::string& dest, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) AppendRawByte(dest, static_cast<int>(value >> shift));
}

// The front of a receive buffer being decoded. `rest` shrinks as fields are
// taken; `Incomplete` is set when a field runs past its end. Framing: keep a
// copy of `rest` before a message, decode it, and on `Incomplete` put the copy
// back and wait for more data.
struct WireReader {
  std::string_view rest;
  bool Incomplete = false;

  explicit WireReader(std::string_view data) : rest(data) {}
  bool Empty() const { return rest.empty(); }
  std::size_t Consumed(std::string_view whole) const { return whole.size() - rest.size(); }
};

// Decodes one field into `target`; an unchanged marker leaves it as it was.
// Numbers are converted to the target's type, integers rounding half to even
// (and saturating at the type's bounds); a kind-6 field into a 16-bit target
// gives the game's flag values -1 and 0.
void TakeField(WireReader& in, fixed& target, int kind);
void TakeField(WireReader& in, int16& target, int kind);
void TakeField(WireReader& in, int32& target, int kind);
void TakeField(WireReader& in, bool& target, int kind);
void TakeField(WireReader& in, std::string& target, int kind);
// A raw byte (0..255) without the field codec; sets Incomplete when absent.
bool TakeRawByte(WireReader& in, int& target);
bool TakeRawLong(WireReader& in, std::uint32_t& target);

}  // namespace krel
