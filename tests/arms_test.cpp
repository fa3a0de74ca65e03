// The weapon file loader: line rules, sections, slots, value forms and every
// fatal condition, with the message a modder gets.
#include <gtest/gtest.h>

#include <atomic>
#include <clocale>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "client/weapons/arms.h"
#include "client/weapons/arms_values.h"

namespace krel {
namespace {

std::string CrLf(const std::vector<std::string>& lines) {
  std::string s;
  for (const std::string& l : lines) s += l + "\r\n";
  return s;
}

// Loads bytes as the file "t.dat"; the tables live on the heap.
struct Loaded {
  std::unique_ptr<WeaponTable> w = std::make_unique<WeaponTable>();
  std::unique_ptr<ObjTable> o = std::make_unique<ObjTable>();
  std::unique_ptr<SObjTable> s = std::make_unique<SObjTable>();
  ArmsError error;
  bool ok = false;
};

Loaded Load(const std::string& bytes) {
  Loaded l;
  l.ok = LoadArmsFromBytes(*l.w, *l.o, *l.s, bytes, "t.dat", l.error);
  return l;
}

Loaded LoadLines(const std::vector<std::string>& lines) { return Load(CrLf(lines)); }

// The slot whose NAME is name, or -1.
int SlotNamed(const WeaponTable& w, const std::string& name) {
  for (int i = 0; i < kWeaponSlots; ++i)
    if (w[i].NAME == name) return i;
  return -1;
}

TEST(ArmsOrder, SlotArithmeticRoundsHalfToEvenAfterSubtractingOne) {
  struct Case {
    const char* order;
    int slot;
  } cases[] = {{"2.5", 3}, {"3.5", 3}, {"abc", 0}, {"0", 0}, {"1.5", 1}, {"4.5", 5},
               {" 7 ", 7}, {"41", 41}, {"-0.4", 0}, {"12abc", 12}, {"1 2", 12}};
  for (const Case& c : cases) {
    Loaded l = LoadLines({"ORDER:1", "NAME:first", std::string("ORDER:") + c.order, "NAME:probe"});
    ASSERT_TRUE(l.ok) << c.order << ": " << l.error.Message();
    EXPECT_EQ(SlotNamed(*l.w, "probe"), c.slot) << "ORDER:" << c.order;
  }
}

TEST(ArmsOrder, KeysBeforeTheFirstOrderFillTheBonusSlot) {
  Loaded l = LoadLines({"NAME:Bonus", "AMMO:3", "ORDER:1", "NAME:Gun", "AMMO:7"});
  ASSERT_TRUE(l.ok) << l.error.Message();
  EXPECT_EQ((*l.w)[0].NAME, "Bonus");
  EXPECT_EQ((*l.w)[0].AMMO, 3);
  EXPECT_EQ((*l.w)[1].NAME, "Gun");
  EXPECT_EQ((*l.w)[1].AMMO, 7);
}

TEST(ArmsOrder, BeamsAreFinalisedOnlyByTheNextOrderLine) {
  Loaded l = LoadLines({"ORDER:1", "SHOTTYPE:4", "SPEED:100",          // beam, finalised
                        "ORDER:2", "SHOTTYPE:4", "SHADOW:1", "SPEED:50",  // has a shadow
                        "ORDER:3", "SHOTTYPE:3", "SPEED:60",            // not type 4
                        "ORDER:4", "SHOTTYPE:4", "SPEED:70",            // last: not finalised
                        "OBJECT:", "SPEED:5"});
  ASSERT_TRUE(l.ok) << l.error.Message();
  EXPECT_EQ((*l.w)[1].SPEED, 32000);
  EXPECT_EQ((*l.w)[2].SPEED, 50);
  EXPECT_EQ((*l.w)[3].SPEED, 60);
  EXPECT_EQ((*l.w)[4].SPEED, 70);

  // A slot revisited later is finalised again by the ORDER after it, with
  // whatever it holds by then.
  Loaded again = LoadLines({"ORDER:1", "SHOTTYPE:4", "SPEED:100", "ORDER:2", "ORDER:1", "SHADOW:2",
                            "ORDER:2"});
  ASSERT_TRUE(again.ok) << again.error.Message();
  EXPECT_EQ((*again.w)[1].SPEED, 32000);
  EXPECT_EQ((*again.w)[1].SHADOW, 2);

  // Slot 0 is never finalised, even as a beam.
  Loaded bonus = LoadLines({"SHOTTYPE:4", "SPEED:9", "ORDER:1"});
  ASSERT_TRUE(bonus.ok);
  EXPECT_EQ((*bonus.w)[0].SPEED, 9);
}

TEST(ArmsLines, OnlyCarriageReturnsEndLines) {
  // LF-only: one line whose key is ORDER and whose value is the rest.
  Loaded lf = Load("ORDER:5\nNAME:Gun\nSPEED:3\n");
  ASSERT_TRUE(lf.ok) << lf.error.Message();
  for (int i = 0; i < kWeaponSlots; ++i) {
    EXPECT_TRUE((*lf.w)[i].NAME.empty()) << i;
    EXPECT_EQ((*lf.w)[i].SPEED, 0) << i;
  }

  // The line feed belongs to the value.
  Loaded name = Load("NAME:Gun\nSPEED:3");
  ASSERT_TRUE(name.ok);
  EXPECT_EQ((*name.w)[0].NAME, "Gun\nSPEED:3");
  EXPECT_EQ((*name.w)[0].SPEED, 0);

  // CR alone, CR LF, and a last line without any end all count.
  Loaded mixed = Load("ORDER:2\rNAME:a\r\nSPEED:4\r\rAMMO:6");
  ASSERT_TRUE(mixed.ok) << mixed.error.Message();
  EXPECT_EQ((*mixed.w)[2].NAME, "a");
  EXPECT_EQ((*mixed.w)[2].SPEED, 4);
  EXPECT_EQ((*mixed.w)[2].AMMO, 6);

  // LF CR is a line feed inside the first line, then a line end.
  Loaded lfcr = Load("ORDER:2\n\rSPEED:x\r\n");
  ASSERT_FALSE(lfcr.ok);
  EXPECT_EQ(lfcr.error.line, 2);

  // An error on an LF-joined line says why the file reads strangely.
  Loaded hint = Load("ORDER:1\r\nSPEED:3\nAMMO:2\r\n");
  ASSERT_FALSE(hint.ok);
  EXPECT_EQ(hint.error.line, 2);
  EXPECT_NE(hint.error.what.find("line feed"), std::string::npos) << hint.error.what;
}

TEST(ArmsLines, KeysMatchExactlyAndValuesKeepTheirColons) {
  Loaded l = LoadLines({"ORDER:1", "NAME:Gun: the big one:", "order:5", "name:lower", " NAME:lead",
                        "NAME :trail", "speed:9", "SPEEDV:4", "SOBJECT:", "REM: comment", "AMMO:2",
                        "AMMO:3"});
  ASSERT_TRUE(l.ok) << l.error.Message();
  EXPECT_EQ((*l.w)[1].NAME, "Gun: the big one:");
  EXPECT_EQ((*l.w)[1].SPEED, 0);
  EXPECT_EQ((*l.w)[1].AMMO, 3) << "a later line overwrites";
  EXPECT_EQ(SlotNamed(*l.w, "lower"), -1);
  EXPECT_EQ((*l.w)[5].NAME, "");

  // "SOBJECT" ends nothing in the weapon section; "OBJECT" is ignored in the
  // special-object section.
  Loaded s = LoadLines({"SOBJECT:", "ORDER:1", "AMMO:1", "OBJECT:", "SPEED:4", "SOBJECT:", "DAMAGE:9",
                        "OBJECT:", "DAMAGE:8"});
  ASSERT_TRUE(s.ok) << s.error.Message();
  EXPECT_EQ((*s.w)[1].AMMO, 1);
  EXPECT_EQ((*s.o)[1].SPEED, 4);
  EXPECT_EQ((*s.s)[1].DAMAGE, 8);
  EXPECT_EQ((*s.s)[2].DAMAGE, 0);
}

TEST(ArmsSections, FilesMayEndInAnySection) {
  Loaded weapons_only = LoadLines({"ORDER:1", "SPEED:10"});
  ASSERT_TRUE(weapons_only.ok);
  for (const ObjDef& o : *weapons_only.o) EXPECT_EQ(o.SPEED, 0);
  for (const SObjDef& s : *weapons_only.s) EXPECT_EQ(s.DAMAGE, 0);

  Loaded objects = LoadLines({"ORDER:1", "OBJECT:ignored value", "SPEED:3", "OBJECT:", "SPEED:4"});
  ASSERT_TRUE(objects.ok);
  EXPECT_EQ((*objects.o)[0].SPEED, 0);
  EXPECT_EQ((*objects.o)[1].SPEED, 3);
  EXPECT_EQ((*objects.o)[2].SPEED, 4);
  // Weapon keys are unknown in the object section.
  Loaded cross = LoadLines({"OBJECT:", "NAME:x", "ORDER:3", "SHOTDELAY:4", "SPEED:7"});
  ASSERT_TRUE(cross.ok);
  EXPECT_EQ((*cross.o)[1].SPEED, 7);
  EXPECT_EQ(SlotNamed(*cross.w, "x"), -1);
  EXPECT_EQ((*cross.w)[3].SHOTDELAY, 0);

  Loaded empty = Load("");
  EXPECT_TRUE(empty.ok);
}

TEST(ArmsSections, TheThirtyFirstObjectLineIsAcceptedAndItsFirstKeyIsFatal) {
  std::vector<std::string> lines = {"ORDER:1"};
  for (int i = 1; i <= 30; ++i) {
    lines.push_back("OBJECT:");
    lines.push_back("SPEED:" + std::to_string(i));
  }
  Loaded thirty = LoadLines(lines);
  ASSERT_TRUE(thirty.ok) << thirty.error.Message();
  EXPECT_EQ((*thirty.o)[30].SPEED, 30);
  EXPECT_EQ((*thirty.o)[1].SPEED, 1);

  lines.push_back("OBJECT:");  // line 62: starts object 31
  lines.push_back("REM:unknown keys are still fine");
  Loaded accepted = LoadLines(lines);
  EXPECT_TRUE(accepted.ok) << accepted.error.Message();

  lines.push_back("BOUNCE:5");  // line 64
  Loaded fatal = LoadLines(lines);
  ASSERT_FALSE(fatal.ok);
  EXPECT_EQ(fatal.error.line, 64);
  EXPECT_EQ(fatal.error.key, "BOUNCE");
  EXPECT_NE(fatal.error.what.find("line 62"), std::string::npos) << fatal.error.what;

  // The same for the 21st special object.
  std::vector<std::string> sl = {"OBJECT:"};
  for (int i = 1; i <= 21; ++i) sl.push_back("SOBJECT:");
  sl.push_back("DAMAGE:1");
  Loaded sfatal = LoadLines(sl);
  ASSERT_FALSE(sfatal.ok);
  EXPECT_EQ(sfatal.error.line, 23);
  sl.erase(sl.begin() + 21);
  Loaded sok = LoadLines(sl);
  ASSERT_TRUE(sok.ok) << sok.error.Message();
  EXPECT_EQ((*sok.s)[20].DAMAGE, 1);
}

TEST(ArmsValues, FormsAndConversions) {
  Loaded l = LoadLines({"ORDER:1", "SHOTDELAY:5", "LOADINGTIME:3", "TIMETOEXPLODE:1", "TIMETOEXPLODEV:7",
                        "PTRAILDELAY:1", "OTRAILDELAY:4", "MAPCHANGE:3 blasts", "SPEED: 12.5 ",
                        "AMMO:13.5", "BLOW:-2.5", "GRAVITY:+4", "RECOIL:1e2", "BOUNCE:.6",
                        "OBJECT:", "BTRAILDELAY:5", "MAPCHANGE:x", "TIMETOEXPLODE:9",
                        "SOBJECT:", "ANIMDELAY:3", "MAPCHANGE: 6 "});
  ASSERT_TRUE(l.ok) << l.error.Message();
  const WeaponDef& w = (*l.w)[1];
  EXPECT_EQ(w.SHOTDELAY, 2);
  EXPECT_EQ(w.LOADINGTIME, 2);
  EXPECT_EQ(w.TIMETOEXPLODE, 0);
  EXPECT_EQ(w.TIMETOEXPLODEV, 4);
  EXPECT_EQ(w.PTRAILDELAY, 1);
  EXPECT_EQ(w.OTRAILDELAY, 3);
  EXPECT_EQ(w.MAPCHANGE, 3);
  EXPECT_EQ(w.SPEED, 12);
  EXPECT_EQ(w.AMMO, 14);
  EXPECT_EQ(w.BLOW, -2);
  EXPECT_EQ(w.GRAVITY, 4);
  EXPECT_EQ(w.RECOIL, 100);
  EXPECT_EQ(w.BOUNCE, 1);
  EXPECT_EQ((*l.o)[1].BTRAILDELAY, 3);
  EXPECT_EQ((*l.o)[1].MAPCHANGE, 0);
  EXPECT_EQ((*l.o)[1].TIMETOEXPLODE, 4);
  EXPECT_EQ((*l.s)[1].ANIMDELAY, 2);
  EXPECT_EQ((*l.s)[1].MAPCHANGE, 6);

  // Special objects read MAPCHANGE as a plain integer.
  Loaded strict = LoadLines({"OBJECT:", "SOBJECT:", "MAPCHANGE:3 blasts"});
  ASSERT_FALSE(strict.ok);
  EXPECT_EQ(strict.error.key, "MAPCHANGE");
}

TEST(ArmsValues, RangeLimitsApplyAfterConversion) {
  struct Case {
    const char* line;
    bool ok;
    int16 stored;  // in the field named by the line, slot 1
  } cases[] = {
      {"SPEED:32767", true, 32767},      {"SPEED:-32768", true, -32768},  {"SPEED:32767.5", false, 0},
      {"SPEED:32768", false, 0},         {"SPEED:-32768.5", true, -32768}, {"SPEED:1e9", false, 0},
      {"SHOTDELAY:65534", true, 32767},  {"SHOTDELAY:65535", false, 0},   {"SHOTDELAY:-65536", true, -32768},
      {"PTRAILDELAY:65532", true, 32767}, {"PTRAILDELAY:65534", false, 0},
      {"MAPCHANGE:32767x", true, 32767}, {"MAPCHANGE:40000", false, 0},
  };
  for (const Case& c : cases) {
    std::string line = c.line;
    Loaded l = LoadLines({"ORDER:1", line});
    // PTRAILDELAY above 6553 also trips the trail period check; that is the
    // separate check below, so only the conversion itself is compared here.
    bool conversion_ok = l.ok || l.error.what.find("16 bits") != std::string::npos;
    EXPECT_EQ(conversion_ok, c.ok) << line << ": " << l.error.Message();
    if (l.ok) {
      std::string key = line.substr(0, line.find(':'));
      int16 got = key == "SPEED"       ? (*l.w)[1].SPEED
                  : key == "SHOTDELAY" ? (*l.w)[1].SHOTDELAY
                  : key == "MAPCHANGE" ? (*l.w)[1].MAPCHANGE
                                       : (*l.w)[1].PTRAILDELAY;
      EXPECT_EQ(got, c.stored) << line;
    } else if (!c.ok) {
      EXPECT_EQ(l.error.line, 2) << line;
      EXPECT_NE(l.error.what.find("outside -32768..32767"), std::string::npos) << l.error.what;
    }
  }
  Loaded order = LoadLines({"ORDER:99999"});
  EXPECT_FALSE(order.ok);
}

TEST(ArmsFatal, EveryConditionNamesLineKeyAndProblem) {
  Loaded nocolon = LoadLines({"ORDER:1", "", "just some words"});
  ASSERT_FALSE(nocolon.ok);
  EXPECT_EQ(nocolon.error.Message().rfind("t.dat:3: the line \"just some words\" has no colon", 0), 0u)
      << nocolon.error.Message();

  Loaded blank = LoadLines({" "});
  ASSERT_FALSE(blank.ok) << "a line of blanks is not empty";

  Loaded nan = LoadLines({"ORDER:1", "SPEED:fast"});
  ASSERT_FALSE(nan.ok);
  EXPECT_EQ(nan.error.Message(), "t.dat:2: SPEED: \"fast\" is not a number");

  for (const char* bad : {"", "1,5", "1 2", "0x10", "e5", ".", "--1", "1e", "inf", "nan"}) {
    Loaded l = LoadLines({std::string("AMMO:") + bad});
    EXPECT_FALSE(l.ok) << "AMMO:" << bad;
    EXPECT_EQ(l.error.key, "AMMO");
  }

  // Keys stored outside the weapon table.
  Loaded high = LoadLines({"ORDER:43", "NAME:x"});
  ASSERT_FALSE(high.ok);
  EXPECT_EQ(high.error.line, 2);
  EXPECT_EQ(high.error.key, "NAME");
  EXPECT_NE(high.error.what.find("43"), std::string::npos);
  Loaded low = LoadLines({"ORDER:-1", "AMMO:1"});
  ASSERT_FALSE(low.ok);
  // ORDER:42 selects slot 42, beyond the table: harmless until used.
  Loaded unused = LoadLines({"ORDER:42", "SPEEDV:1", "OBJECT:"});
  EXPECT_TRUE(unused.ok) << unused.error.Message();
  Loaded next = LoadLines({"ORDER:42", "ORDER:1"});
  ASSERT_FALSE(next.ok);
  EXPECT_EQ(next.error.line, 2);
  EXPECT_EQ(next.error.key, "ORDER");
  EXPECT_TRUE(LoadLines({"ORDER:41", "NAME:last", "ORDER:0", "NAME:bonus"}).ok);
}

TEST(ArmsFatal, TrailDelaysMustBeUsable) {
  // A particle trail without its delay: pointed at the type's line.
  Loaded missing = LoadLines({"ORDER:1", "NAME:x", "PTRAILPTYPE:3"});
  ASSERT_FALSE(missing.ok);
  EXPECT_EQ(missing.error.line, 3);
  EXPECT_EQ(missing.error.key, "PTRAILPTYPE");
  // A delay that stores 0 (halved plus 1 of -2): pointed at the delay.
  Loaded zero = LoadLines({"ORDER:2", "OTRAILDELAY:-2", "OTRAILTYPE:1"});
  ASSERT_FALSE(zero.ok);
  EXPECT_EQ(zero.error.line, 2);
  EXPECT_EQ(zero.error.key, "OTRAILDELAY");
  // Objects' trails too.
  Loaded obj = LoadLines({"OBJECT:", "OBJECT:", "OTRAILTYPE:4"});
  ASSERT_FALSE(obj.ok);
  EXPECT_NE(obj.error.what.find("object 2"), std::string::npos) << obj.error.what;
  // Delay × 5 must fit 16 bits: 13105 stores 6553 (fits), 13106 stores 6554.
  EXPECT_TRUE(LoadLines({"ORDER:1", "PTRAILPTYPE:2", "PTRAILDELAY:13105"}).ok);
  Loaded big = LoadLines({"ORDER:1", "PTRAILDELAY:13106"});
  ASSERT_FALSE(big.ok);
  EXPECT_EQ(big.error.key, "PTRAILDELAY");
  EXPECT_NE(big.error.what.find("16 bits"), std::string::npos);
  Loaded bigobj = LoadLines({"OBJECT:", "OTRAILDELAY:-20000"});
  EXPECT_FALSE(bigobj.ok);
  // A trail with a delay of 1 is fine, and so is a delay without a trail.
  EXPECT_TRUE(LoadLines({"PTRAILPTYPE:1", "PTRAILDELAY:1", "ORDER:1", "OTRAILDELAY:-2"}).ok);
}

TEST(ArmsFatal, AFailedLoadLeavesEmptyTables) {
  auto w = std::make_unique<WeaponTable>();
  auto o = std::make_unique<ObjTable>();
  auto s = std::make_unique<SObjTable>();
  (*w)[3].NAME = "stale";
  (*o)[2].SPEED = 5;
  (*s)[1].DAMAGE = 4;
  ArmsError e;
  ASSERT_FALSE(LoadArmsFromBytes(*w, *o, *s, CrLf({"ORDER:1", "NAME:half", "SPEED:x"}), "f", e));
  EXPECT_EQ((*w)[3].NAME, "");
  EXPECT_EQ((*w)[1].NAME, "");
  EXPECT_EQ((*o)[2].SPEED, 0);
  EXPECT_EQ((*s)[1].DAMAGE, 0);
}

TEST(ArmsNumbers, StrictAndLenientParsingIgnoreTheLocale) {
  // A decimal comma locale must not change anything (when the machine has one).
  const char* old = std::setlocale(LC_ALL, nullptr);
  std::string saved = old ? old : "C";
  std::setlocale(LC_ALL, "de_DE.UTF-8");
  EXPECT_EQ(ParseNumber("1.5"), 1.5);
  EXPECT_EQ(ParseNumber(" -12.25\t"), -12.25);
  EXPECT_EQ(ParseNumber("+3"), 3.0);
  EXPECT_EQ(ParseNumber("-.5"), -0.5);
  EXPECT_EQ(ParseNumber("7."), 7.0);
  EXPECT_EQ(ParseNumber("2.5E1"), 25.0);
  EXPECT_EQ(ParseNumber("000000000000000000000000000000123"), 123.0);
  EXPECT_EQ(ParseNumber("0.0000000000000000000000000000000000000000001"), 0.0);
  EXPECT_EQ(ParseNumber(std::string(5000, '9')), std::numeric_limits<double>::infinity());
  EXPECT_EQ(ParseNumber("1e999999999999999999"), std::numeric_limits<double>::infinity());
  EXPECT_EQ(ParseNumber("-1e-999999999999999999"), 0.0);
  EXPECT_FALSE(ParseNumber("1,5"));
  EXPECT_FALSE(ParseNumber("+"));
  EXPECT_FALSE(ParseNumber("1.2.3"));

  EXPECT_EQ(ParseLenient("3abc"), 3.0);
  EXPECT_EQ(ParseLenient("abc"), 0.0);
  EXPECT_EQ(ParseLenient(" - 4.5x"), -4.5);
  EXPECT_EQ(ParseLenient("1 2 . 5"), 12.5);
  EXPECT_EQ(ParseLenient("1e2x"), 100.0);
  EXPECT_EQ(ParseLenient("1e"), 1.0);
  EXPECT_EQ(ParseLenient("1e-x"), 1.0);
  EXPECT_EQ(ParseLenient("-"), 0.0);
  EXPECT_EQ(ParseLenient("1,5"), 1.0);
  EXPECT_EQ(ParseLenient(""), 0.0);
  std::setlocale(LC_ALL, saved.c_str());
}

// Files on disk: the loader reads bytes and names the path in its messages.
class ArmsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    static std::atomic<int> counter{0};
    dir_ = std::filesystem::temp_directory_path() /
           ("krel_arms_test_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Write(const std::string& name, const std::string& bytes) {
    std::string p = (dir_ / name).string();
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
  }
  std::filesystem::path dir_;
};

TEST_F(ArmsFile, ReadsFilesAndReportsUnreadableOnes) {
  World w;
  ArmsError e;
  std::string path = Write("arms.dat", CrLf({"ORDER:1", "NAME:Gun", "OBJECT:", "SPEED:3"}));
  ASSERT_TRUE(LoadArms(w, path, e)) << e.Message();
  EXPECT_EQ(w.WeaponDefs[1].NAME, "Gun");
  EXPECT_EQ(w.ObjDefs[1].SPEED, 3);

  std::string missing = (dir_ / "nope.dat").string();
  EXPECT_FALSE(LoadArms(w, missing, e));
  EXPECT_EQ(e.line, 0);
  EXPECT_EQ(e.Message(), missing + ": cannot open the weapon file: it does not exist");
  EXPECT_EQ(w.WeaponDefs[1].NAME, "") << "tables are cleared on failure";

  EXPECT_FALSE(LoadArms(w, dir_.string(), e));
  EXPECT_NE(e.Message().find("directory"), std::string::npos);

  std::string bad = Write("bad.dat", CrLf({"ORDER:1", "SPEED:fast"}));
  EXPECT_FALSE(LoadArms(w, bad, e));
  EXPECT_EQ(e.Message(), bad + ":2: SPEED: \"fast\" is not a number");
}

}  // namespace
}  // namespace krel
