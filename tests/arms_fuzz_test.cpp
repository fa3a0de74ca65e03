// Random and mutated weapon files: the loader must never crash (the test
// runs under the sanitizers), must answer every input deterministically, and
// what it accepts must satisfy what the simulation relies on.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "client/weapons/arms.h"

namespace krel {
namespace {

const char* const kFragments[] = {
    "ORDER:", "NAME:", "SPEED:", "SHOTTYPE:4", "SHADOW:", "SHOTDELAY:", "PTRAILDELAY:", "PTRAILPTYPE:",
    "OTRAILDELAY:", "OTRAILTYPE:", "MAPCHANGE:", "OBJECT:", "SOBJECT:", "ANIMDELAY:", "DAMAGE:",
    "BTRAILDELAY:", "\r", "\r\n", "\n", ":", " ", "-", "+", ".", "e", "E", "0", "1", "2.5", "41", "42",
    "-1", "32767", "32768", "65535", "1e9", "abc", "\t", "" /* a NUL byte */, "\xff", "9999999",
};

std::string Seed() {
  std::string s;
  for (int w = 1; w <= 5; ++w) {
    s += "ORDER:" + std::to_string(w) + "\r\nNAME:Weapon " + std::to_string(w) +
         "\r\nSHOTTYPE:4\r\nSPEED:300\r\nSHOTDELAY:7\r\nPTRAILPTYPE:2\r\nPTRAILDELAY:3\r\n";
  }
  for (int o = 1; o <= 4; ++o) s += "OBJECT:\r\nSPEED:40\r\nOTRAILTYPE:1\r\nOTRAILDELAY:2\r\nMAPCHANGE:3\r\n";
  for (int o = 1; o <= 3; ++o) s += "SOBJECT:\r\nDAMAGE:10\r\nANIMDELAY:4\r\n";
  return s;
}

std::string Mutate(std::string s, std::mt19937& rng) {
  const int edits = 1 + static_cast<int>(rng() % 8);
  for (int e = 0; e < edits; ++e) {
    const std::size_t pos = s.empty() ? 0 : rng() % (s.size() + 1);
    switch (rng() % 5) {
      case 0:  // flip a byte
        if (!s.empty()) s[pos % s.size()] = static_cast<char>(rng());
        break;
      case 1:  // delete a run
        if (!s.empty()) s.erase(pos % s.size(), 1 + rng() % 16);
        break;
      case 2: {  // insert a fragment
        std::string f = kFragments[rng() % std::size(kFragments)];
        if (f.empty()) f.assign(1, '\0');
        s.insert(pos, f);
        break;
      }
      case 3: {  // duplicate a run
        if (s.empty()) break;
        std::size_t from = rng() % s.size();
        s.insert(pos, s.substr(from, 1 + rng() % 64));
        break;
      }
      default:  // splice in random bytes
        for (int i = 0, n = 1 + static_cast<int>(rng() % 8); i < n; ++i)
          s.insert(s.begin() + static_cast<std::ptrdiff_t>(std::min(pos, s.size())), static_cast<char>(rng()));
        break;
    }
  }
  return s;
}

std::string RandomFile(std::mt19937& rng) {
  std::string s;
  const int parts = static_cast<int>(rng() % 60);
  for (int i = 0; i < parts; ++i) {
    if (rng() % 4 == 0) s += static_cast<char>(rng());
    else {
      std::string f = kFragments[rng() % std::size(kFragments)];
      s += f.empty() ? std::string(1, '\0') : f;
    }
  }
  return s;
}

int CountLineEnds(const std::string& s) {
  int n = 0;
  for (char c : s) n += c == '\r';
  return n;
}

void CheckOne(const std::string& bytes) {
  auto w = std::make_unique<WeaponTable>();
  auto o = std::make_unique<ObjTable>();
  auto s = std::make_unique<SObjTable>();
  ArmsError e;
  const bool ok = LoadArmsFromBytes(*w, *o, *s, bytes, "fuzz.dat", e);

  // Deterministic: the same bytes give the same answer.
  auto w2 = std::make_unique<WeaponTable>();
  auto o2 = std::make_unique<ObjTable>();
  auto s2 = std::make_unique<SObjTable>();
  ArmsError e2;
  ASSERT_EQ(ok, LoadArmsFromBytes(*w2, *o2, *s2, bytes, "fuzz.dat", e2));

  if (!ok) {
    ASSERT_EQ(e.Message(), e2.Message());
    ASSERT_FALSE(e.what.empty());
    ASSERT_GE(e.line, 1);
    ASSERT_LE(e.line, CountLineEnds(bytes) + 1);
    ASSERT_EQ(e.Message().rfind("fuzz.dat:" + std::to_string(e.line) + ": ", 0), 0u) << e.Message();
    for (const WeaponDef& d : *w) ASSERT_TRUE(d.NAME.empty() && d.SPEED == 0);
    return;
  }
  for (int i = 0; i < kWeaponSlots; ++i) {
    const WeaponDef& d = (*w)[i];
    ASSERT_EQ(d.NAME, (*w2)[i].NAME);
    ASSERT_EQ(d.SPEED, (*w2)[i].SPEED);
    // Every trail the simulation will run has a usable period.
    if (d.PTRAILPTYPE != 0) {
      ASSERT_GE(d.PTRAILDELAY, 1);
    }
    if (d.OTRAILTYPE != 0) {
      ASSERT_GE(d.OTRAILDELAY, 1);
    }
    ASSERT_LE(d.PTRAILDELAY * 5, 32767);
    ASSERT_GE(d.PTRAILDELAY * 5, -32768);
    ASSERT_LE(d.OTRAILDELAY * 5, 32767);
    ASSERT_GE(d.OTRAILDELAY * 5, -32768);
  }
  for (int i = 0; i < kObjSlots; ++i) {
    const ObjDef& d = (*o)[i];
    if (d.OTRAILTYPE != 0) {
      ASSERT_GE(d.OTRAILDELAY, 1);
    }
    ASSERT_LE(d.OTRAILDELAY * 5, 32767);
    ASSERT_EQ(d.SPEED, (*o2)[i].SPEED);
  }
  // Slot 0 of the object tables is never filled by a file.
  ASSERT_EQ((*o)[0].SPEED, 0);
  ASSERT_EQ((*o)[0].OTRAILTYPE, 0);
  ASSERT_EQ((*s)[0].DAMAGE, 0);
  ASSERT_EQ((*s)[0].ANIMDELAY, 0);
}

TEST(ArmsFuzz, MutatedAndRandomFilesNeverCrash) {
  std::mt19937 rng(20240611);
  const std::string seed = Seed();
  {
    SCOPED_TRACE("seed file");
    CheckOne(seed);
  }
  int accepted = 0, rejected = 0;
  for (int i = 0; i < 3000; ++i) {
    const std::string bytes = (i % 3 == 2) ? RandomFile(rng) : Mutate(seed, rng);
    SCOPED_TRACE("case " + std::to_string(i));
    CheckOne(bytes);
    if (HasFatalFailure()) return;
    auto w = std::make_unique<WeaponTable>();
    auto o = std::make_unique<ObjTable>();
    auto s = std::make_unique<SObjTable>();
    ArmsError e;
    (LoadArmsFromBytes(*w, *o, *s, bytes, "fuzz.dat", e) ? accepted : rejected)++;
  }
  // Both outcomes must be exercised, or the mutations test nothing.
  EXPECT_GT(accepted, 100);
  EXPECT_GT(rejected, 100);
}

}  // namespace
}  // namespace krel
