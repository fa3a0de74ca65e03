#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "client/state/world.h"
#include "protocol/field_codec.h"
#include "protocol/worm_codec.h"

namespace krel {
namespace {

std::string Bytes(std::initializer_list<int> bytes) { return std::string(bytes.begin(), bytes.end()); }

std::string Encode(fixed value, fixed reference, int kind) {
  std::string out;
  AppendField(out, value, reference, kind);
  return out;
}

TEST(FieldCodec, NumbersEncodeToTheirExactBytes) {
  // value, reference, kind, bytes
  const std::tuple<double, double, int, std::string> cases[] = {
      {0, 0, KindFixed, Bytes({128})},
      {1.5, 0, KindFixed, Bytes({0x00, 0x00, 0x96})},
      {-0.01, 0, KindFixed, Bytes({0xFE, 0xFF, 0xFF})},
      {12.345, 0, KindFixed, Bytes({0x00, 0x04, 0xD2})},  // 12.34, ties to even
      {12.355, 0, KindFixed, Bytes({0x00, 0x04, 0xD4})},  // 12.36
      {-82575.36, 0, KindFixed, Bytes({0x81, 0x00, 0x00})},
      {84000, 0, KindFixed, Bytes({0x7F, 0x2C, 0x80})},  // would start with 128: one step down
      {-1, 0, KindShort, Bytes({0xFE, 0xFF})},
      {-32256, 0, KindShort, Bytes({0x81, 0x00})},
      {7, 7, KindShort, Bytes({128})},
      {2.5, 0, KindShort, Bytes({0x00, 0x02})},
      {-32300, 0, KindShort, Bytes({0x7F, 0xD4})},  // 0x80D4 would read as unchanged: one step down
      {1e9, 0, KindShort, Bytes({0xFF, 0xFF})},     // beyond the kind: clamped, not wrapped
      {-1e9, 0, KindShort, Bytes({0x00, 0x00})},
      {1e9, 0, KindFixed, Bytes({0xFF, 0xFF, 0xFF})},
      {2147483648.0, 0, KindLong, Bytes({0x7F, 0x00, 0x00, 0x00})},
      {1000, 0, KindLong, Bytes({0x00, 0x00, 0x03, 0xE8})},
      {1000, 1000, KindLong, Bytes({128})},
      {-1, 0, KindByte, Bytes({0xFF})},
      {128, 128, KindByte, Bytes({0x80})},  // no marker for bytes
      {0, 0, KindFlag, Bytes({0})},
      {-1, -1, KindFlag, Bytes({1})},
      {5, 0, 9, ""},
  };
  for (const auto& [value, reference, kind, bytes] : cases)
    EXPECT_EQ(Encode(value, reference, kind), bytes) << value << " kind " << kind;
}

// Quirks the encoder never produces: the short offset of 65280, a byte above 128, any
// non-zero flag. A marker leaves the target alone; a field cut anywhere is incomplete.
TEST(FieldCodec, DecodingQuirksMarkersAndShortBuffers) {
  const struct {
    std::string bytes;
    int kind;
    double value;
  } cases[] = {{Bytes({0xFF, 0xFF}), KindShort, 255}, {Bytes({0x81}), KindByte, -127}, {Bytes({7}), KindFlag, -1}};
  for (const auto& c : cases) {
    WireReader in(c.bytes);
    fixed target = 99;
    TakeField(in, target, c.kind);
    EXPECT_TRUE(!in.Incomplete && in.Empty() && target == fixed(c.value)) << "kind " << c.kind;
  }
  const std::string marker = Bytes({128, 42});
  for (int kind : {KindFixed, KindShort, KindLong}) {
    WireReader in(marker);
    int16 target = 17;
    TakeField(in, target, kind);
    EXPECT_TRUE(target == 17 && in.rest.size() == 1u && !in.Incomplete) << "kind " << kind;
  }
  for (int kind = KindText; kind <= KindFlag; ++kind) {
    std::string full;
    kind == KindText ? AppendField(full, "abc", "", kind) : AppendField(full, fixed(-3), fixed(0), kind);
    for (std::size_t cut = 0; cut < full.size(); ++cut) {
      WireReader in(std::string_view(full).substr(0, cut));
      std::string target;
      TakeField(in, target, kind);
      EXPECT_TRUE(in.Incomplete) << "kind " << kind << " cut " << cut;
    }
  }
}

// In range a number comes back as it was; beyond, it still takes exactly its own bytes.
TEST(FieldCodec, NumbersSurviveTheTripAndOutOfRangeOnesNeverBreakTheStream) {
  const std::pair<int, std::vector<double>> ranges[] = {
      {KindByte, {-127, -1, 0, 1, 127, 128}},
      {KindFixed, {-82575.36, -655.36, -0.01, 0.01, 655.35, 655.36, 1.5, 83886.07}},
      {KindShort, {-32256, -256, -255, -1, 1, 255, 256, 32767}},
      {KindLong, {1, 255, 65536, 16777215, 16777216, 2147483647}},
  };
  const std::vector<double> beyond = {-1e9, -167116.8, -83230.72, 1e9, 16777216.0 * 200};
  for (const auto& [kind, values] : ranges) {
    for (const bool within : {true, false}) {
      for (double v : within ? values : beyond) {
        const std::string bytes = Encode(v, within ? 12345 : 0, kind) + "Z";
        ASSERT_TRUE(kind == KindByte || !within || bytes[0] != '\x80') << v << " reads as unchanged";
        WireReader in(bytes);
        fixed back;
        TakeField(in, back, kind);
        EXPECT_TRUE(in.rest == "Z" && (!within || back == fixed(v))) << v << " kind " << kind;
      }
    }
  }
}

TEST(FieldCodec, TextsAndIntegerTargets) {
  std::string text;  // a text ends at its first 0 byte
  AppendField(text, std::string("ab\0cd", 5), "", KindText);
  EXPECT_EQ(text, Bytes({'a', 'b', 0}));
  const std::string name(20, 'x');
  std::string bytes;
  AppendField(bytes, name, "", KindText);
  AppendField(bytes, "", "", KindText);
  EXPECT_EQ(bytes.size(), 22u);
  // 12.5 into an integer rounds half to even; a huge long saturates.
  bytes += Encode(12.5, 0, KindFixed) + Bytes({0xFF, 0xFF, 0xFF, 0xFF});
  WireReader in(bytes);
  std::string first = "old", second = "kept";
  int32 a = 0, big = 0;
  TakeField(in, first, KindText);
  TakeField(in, second, KindText);
  TakeField(in, a, KindFixed);
  TakeField(in, big, KindLong);
  EXPECT_EQ(std::tuple(first, second, a, big), std::tuple(name, "kept", 12, INT32_MAX));
}

WormRecord SampleWorm() {
  WormRecord w;
  w.Name = "Bertha              ";
  std::tie(w.Alive, w.FacingRight, w.X, w.Y, w.DirX, w.Speed) = std::tuple(kTrue, kTrue, 123.45, -7.5, 0.25, 30);
  std::tie(w.Age, w.Color, w.Health, w.Aim, w.AnimFrame, w.Lives, w.Kills, w.LastShot) =
      std::tuple(812, 240, 73, 18, 2, 14, 3, 800);
  std::tie(w.RopeState, w.RopeX, w.RopeY, w.RopeLength, w.CurWeapon, w.RandSeed) = std::tuple(-3, 300, 40.5, 55, 4, 99);
  w.Ctrl = {0, 1, 0, 0, 1, 1, 0, 1};
  w.WeaponSlots = {0, 5, 12, 40, 7};
  w.Ammo = {fixed(3), fixed(-1), fixed(0), fixed(12), fixed(1)};
  return w;
}

// The fields that travel in each record, as one comparable text.
std::string Travelled(const WormRecord& w, char tag) {
  std::string s;
  auto add = [&](auto v) { s += std::to_string(fixed(v).ToDouble()) + ","; };
  for (auto c : w.Ctrl) add(c);
  if (tag != 'p') add(w.RandSeed);
  if (tag == 'I') return s;
  s += w.Name + ",";
  for (auto v : {w.Alive, w.Color}) add(v);
  for (auto v : {w.X, w.Y}) add(v);
  for (auto v : w.WeaponSlots) add(v);
  if (tag == 'i') return s;
  for (auto v : {w.DirX, w.DirY, w.Speed, w.RopeX, w.RopeY, w.RopeDX, w.RopeDY, w.RopeLength}) add(v);
  for (auto v : {w.Health, w.FacingRight, w.Aim, w.AnimFrame, w.Lives, w.Kills, w.RopeState, w.CurWeapon}) add(v);
  for (auto v : {w.Age, w.LastShot}) add(v);
  for (auto v : w.Ammo) add(v);
  return s;
}

TEST(WormCodec, RecordsSurviveTheTripAndEveryCutIsIncomplete) {
  using EncodeFn = void (*)(std::string&, const WormRecord&, WormRecord&, WormRefs);
  const std::tuple<char, EncodeFn, void (*)(WireReader&, WormRecord&)> kinds[] = {
      {'p', EncodeWormFull<WormRecord>, DecodeWormFull<WormRecord>},
      {'i', EncodeWormBrief<WormRecord>, DecodeWormBrief<WormRecord>},
      {'I', EncodeWormInputs<WormRecord>, DecodeWormInputs<WormRecord>}};
  for (const auto& [tag, encode, decode] : kinds) {
    for (WormRefs refs : {WormRefs::Server, WormRefs::Client, WormRefs::Whole}) {
      WormRecord worm = SampleWorm(), sent;
      std::string body;
      encode(body, worm, sent, refs);
      EXPECT_EQ(Travelled(sent, 'p') + Travelled(sent, 'i'), Travelled(worm, 'p') + Travelled(worm, 'i'))
          << "the sent copy is the whole record";
      for (std::size_t cut = 0; cut < body.size(); ++cut) {
        WireReader in(std::string_view(body).substr(0, cut));
        WormRecord scratch;
        decode(in, scratch);
        EXPECT_TRUE(in.Incomplete) << tag << " cut at " << cut;
      }
      WireReader in(body);
      WormRecord got;
      decode(in, got);
      EXPECT_EQ(std::tuple(in.Incomplete, in.Empty(), Travelled(got, tag)),
                std::tuple(false, true, Travelled(worm, tag)))
          << tag;
    }
  }
}

TEST(WormCodec, ServerDeltasCarryOnlyChangesAndKeepTheReceiverInStep) {
  WormRecord worm = SampleWorm(), sent, receiver;
  std::string first;
  EncodeWormFull(first, worm, sent, WormRefs::Server);
  WireReader in1(first);
  DecodeWormFull(in1, receiver);
  std::string again;
  EncodeWormFull(again, worm, sent, WormRefs::Server);
  // Nothing changed: the name is one 0 byte, every referenced number one
  // marker; flags, control bytes, the rope state and weapon slots are plain.
  EXPECT_EQ(again.size(), 41u);
  std::tie(worm.X, worm.Lives, worm.Name) = std::tuple(fixed(124.5), 13, "Renamed             ");
  std::string delta;
  EncodeWormFull(delta, worm, sent, WormRefs::Server);
  EXPECT_EQ(delta.size(), 41u + 20 + 2 + 1);  // name, X, Lives
  WireReader in2(delta);
  DecodeWormFull(in2, receiver);
  EXPECT_EQ(Travelled(receiver, 'p'), Travelled(worm, 'p'));
}

TEST(WormCodec, ClientRulesAlwaysSendNameColorAndLives) {
  // Instantiated over the client's own player table as well.
  Player me, sent;
  me.SetName("Me");
  std::tie(me.Color, me.Lives) = std::tuple(120, 15);
  std::string first, second;
  EncodeWormFull(first, me, sent, WormRefs::Client);
  EncodeWormFull(second, me, sent, WormRefs::Client);
  EXPECT_EQ(first, second) << "name, colour and lives travel although unchanged";
  std::string expected_head = me.Name + '\0' + Bytes({0});  // name, Alive false
  EXPECT_EQ(second.substr(0, 22), expected_head);
  Player back;
  WireReader in(second);
  DecodeWormFull(in, back);
  EXPECT_EQ(std::tuple(back.Name, back.Color, back.Lives), std::tuple(me.Name, 120, 15));
  // Lives equal to the last sent value plus 50 is the one case sent as a marker.
  std::tie(sent.Lives, me.Lives) = std::tuple(0, 50);
  std::string marked;
  EncodeWormFull(marked, me, sent, WormRefs::Client);
  EXPECT_EQ(marked.size(), second.size() - 1);
  // "i" compares the position with 0, not with the last sent one.
  std::string brief1, brief2;
  me.X = 10;
  EncodeWormBrief(brief1, me, sent, WormRefs::Client);
  EncodeWormBrief(brief2, me, sent, WormRefs::Client);
  EXPECT_EQ(brief1, brief2);
}

}  // namespace
}  // namespace krel
