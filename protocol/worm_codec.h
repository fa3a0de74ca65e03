// The worm state records of the wire protocol, written once for both
// programs. The codecs are templates over the record type, so the client runs
// them on its own player table and the server on its slot table; any record
// with the fields of `WormRecord` (same names, same formats) works.
//
// Message bodies, fields in order (kind in brackets, see field_codec.h):
//
// "p" full:   Name[1] Alive[6] X Y DirX DirY Speed Age[3 each] Color[4]
//             Health[4] FacingRight[6] Aim AnimFrame Lives Kills[4 each]
//             LastShot[5] Ctrl(0..7)[2 each] RopeState[2]
//             RopeX RopeY RopeDX RopeDY[3 each] RopeLength[4] CurWeapon[4]
//             then for k = 0..4: Ammo(k)[4] WeaponSlots(k)[2]
// "i" brief:  Name[1] Color[4] Alive[6] X Y[3] Ctrl(0..7)[2 each]
//             RandSeed[5] WeaponSlots(0..4)[2 each]
// "I" inputs: Ctrl(0..7)[2 each] RandSeed[5]
//
// References: the server compares every field with its last-sent copy of the
// slot. A client compares with its last-sent copy except: its Name against
// the empty text, Color (and in "i" also X and Y) against 0, and Lives
// against the last-sent value plus 50, so a client's Lives always travels.
// `WormRefs::Whole` sends every field in full, for a receiver whose copy is
// unknown. Every encoder copies the whole record into the sent copy after.
#pragma once

#include <array>
#include <string>

#include "protocol/base/numbers.h"
#include "protocol/field_codec.h"

namespace krel {

// One worm as it travels; the fields of the client's player record.
struct WormRecord {
  fixed X, Y;
  fixed DirX, DirY;
  fixed Speed;
  flag FacingRight = kFalse;
  int16 AnimFrame = 0;
  int16 Aim = 0;
  int16 RopeState = 0;
  fixed RopeX, RopeY, RopeDX, RopeDY, RopeLength;
  int16 CurWeapon = 0;
  std::array<int16, 5> WeaponSlots{};
  int16 Health = 0;
  std::array<fixed, 5> Ammo{};
  int32 LastShot = 0;
  int16 Lives = 0;
  int16 Kills = 0;
  int16 Color = 0;
  std::string Name;
  std::array<int32, 8> Ctrl{};
  int32 Age = 0;
  flag Alive = kFalse;
  flag Computer = kFalse;
  int16 ViewX = 0;
  int16 ViewY = 0;
  int32 RandSeed = 0;
};

enum class WormRefs { Client, Server, Whole };

namespace worm_codec_detail {

// Appends one field with the reference rule of the caller's side.
struct Writer {
  std::string& out;
  WormRefs refs;

  void Num(fixed value, fixed reference, int kind) {
    if (refs == WormRefs::Whole)
      AppendFieldWhole(out, value, kind);
    else
      AppendField(out, value, reference, kind);
  }
  // A field the client compares with a constant instead of its sent copy.
  void NumConst(fixed value, fixed sent, fixed constant, int kind) {
    Num(value, refs == WormRefs::Client ? constant : sent, kind);
  }
  void Plain(fixed value, int kind) { AppendFieldWhole(out, value, kind); }
  void Name(const std::string& value, const std::string& sent) {
    if (refs == WormRefs::Whole)
      AppendFieldWhole(out, value, KindText);
    else
      AppendField(out, value, refs == WormRefs::Client ? std::string() : sent, KindText);
  }
};

}  // namespace worm_codec_detail

template <class Rec>
void EncodeWormFull(std::string& out, const Rec& w, Rec& sent, WormRefs refs) {
  worm_codec_detail::Writer f{out, refs};
  f.Name(w.Name, sent.Name);
  f.Plain(w.Alive, KindFlag);
  f.Num(w.X, sent.X, KindFixed);
  f.Num(w.Y, sent.Y, KindFixed);
  f.Num(w.DirX, sent.DirX, KindFixed);
  f.Num(w.DirY, sent.DirY, KindFixed);
  f.Num(w.Speed, sent.Speed, KindFixed);
  f.Num(w.Age, sent.Age, KindFixed);
  f.NumConst(w.Color, sent.Color, 0, KindShort);
  f.Num(w.Health, sent.Health, KindShort);
  f.Plain(w.FacingRight, KindFlag);
  f.Num(w.Aim, sent.Aim, KindShort);
  f.Num(w.AnimFrame, sent.AnimFrame, KindShort);
  f.Num(w.Lives, refs == WormRefs::Client ? fixed(sent.Lives + 50) : fixed(sent.Lives), KindShort);
  f.Num(w.Kills, sent.Kills, KindShort);
  f.Num(w.LastShot, sent.LastShot, KindLong);
  for (auto c : w.Ctrl) f.Plain(c, KindByte);
  f.Plain(w.RopeState, KindByte);
  f.Num(w.RopeX, sent.RopeX, KindFixed);
  f.Num(w.RopeY, sent.RopeY, KindFixed);
  f.Num(w.RopeDX, sent.RopeDX, KindFixed);
  f.Num(w.RopeDY, sent.RopeDY, KindFixed);
  f.Num(w.RopeLength, sent.RopeLength, KindShort);
  f.Num(w.CurWeapon, sent.CurWeapon, KindShort);
  for (int k = 0; k < 5; ++k) {
    f.Num(w.Ammo[k], sent.Ammo[k], KindShort);
    f.Plain(w.WeaponSlots[k], KindByte);
  }
  sent = w;
}

template <class Rec>
void EncodeWormBrief(std::string& out, const Rec& w, Rec& sent, WormRefs refs) {
  worm_codec_detail::Writer f{out, refs};
  f.Name(w.Name, sent.Name);
  f.NumConst(w.Color, sent.Color, 0, KindShort);
  f.Plain(w.Alive, KindFlag);
  f.NumConst(w.X, sent.X, 0, KindFixed);
  f.NumConst(w.Y, sent.Y, 0, KindFixed);
  for (auto c : w.Ctrl) f.Plain(c, KindByte);
  f.Num(w.RandSeed, sent.RandSeed, KindLong);
  for (auto slot : w.WeaponSlots) f.Plain(slot, KindByte);
  sent = w;
}

template <class Rec>
void EncodeWormInputs(std::string& out, const Rec& w, Rec& sent, WormRefs refs) {
  worm_codec_detail::Writer f{out, refs};
  for (auto c : w.Ctrl) f.Plain(c, KindByte);
  f.Num(w.RandSeed, sent.RandSeed, KindLong);
  sent = w;
}

// The state message of tag 'p', 'i' or 'I' (any other tag writes as 'I'),
// without the tag: the twin of DecodeWormState below.
template <class Rec>
void EncodeWormState(char tag, std::string& out, const Rec& w, Rec& sent, WormRefs refs) {
  if (tag == 'p')
    EncodeWormFull(out, w, sent, refs);
  else if (tag == 'i')
    EncodeWormBrief(out, w, sent, refs);
  else
    EncodeWormInputs(out, w, sent, refs);
}

// Decoders write field by field into `w`; on a cut record they stop with
// `in.Incomplete` set and the fields read so far already written. Callers
// that must not see a partial record decode into a copy.
template <class Rec>
void DecodeWormFull(WireReader& in, Rec& w) {
  TakeField(in, w.Name, KindText);
  TakeField(in, w.Alive, KindFlag);
  for (fixed* v : {&w.X, &w.Y, &w.DirX, &w.DirY, &w.Speed}) TakeField(in, *v, KindFixed);
  TakeField(in, w.Age, KindFixed);
  for (int16* v : {&w.Color, &w.Health}) TakeField(in, *v, KindShort);
  TakeField(in, w.FacingRight, KindFlag);
  for (int16* v : {&w.Aim, &w.AnimFrame, &w.Lives, &w.Kills}) TakeField(in, *v, KindShort);
  TakeField(in, w.LastShot, KindLong);
  for (auto& c : w.Ctrl) TakeField(in, c, KindByte);
  TakeField(in, w.RopeState, KindByte);
  for (fixed* v : {&w.RopeX, &w.RopeY, &w.RopeDX, &w.RopeDY}) TakeField(in, *v, KindFixed);
  TakeField(in, w.RopeLength, KindShort);
  TakeField(in, w.CurWeapon, KindShort);
  for (int k = 0; k < 5; ++k) {
    TakeField(in, w.Ammo[k], KindShort);
    TakeField(in, w.WeaponSlots[k], KindByte);
  }
}

template <class Rec>
void DecodeWormBrief(WireReader& in, Rec& w) {
  TakeField(in, w.Name, KindText);
  TakeField(in, w.Color, KindShort);
  TakeField(in, w.Alive, KindFlag);
  TakeField(in, w.X, KindFixed);
  TakeField(in, w.Y, KindFixed);
  for (auto& c : w.Ctrl) TakeField(in, c, KindByte);
  TakeField(in, w.RandSeed, KindLong);
  for (auto& slot : w.WeaponSlots) TakeField(in, slot, KindByte);
}

template <class Rec>
void DecodeWormInputs(WireReader& in, Rec& w) {
  for (auto& c : w.Ctrl) TakeField(in, c, KindByte);
  TakeField(in, w.RandSeed, KindLong);
}

// The state message of tag 'p', 'i' or 'I' (any other tag reads as 'I').
template <class Rec>
void DecodeWormState(char tag, WireReader& in, Rec& w) {
  if (tag == 'p')
    DecodeWormFull(in, w);
  else if (tag == 'i')
    DecodeWormBrief(in, w);
  else
    DecodeWormInputs(in, w);
}

}  // namespace krel
