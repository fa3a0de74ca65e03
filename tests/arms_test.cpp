// The weapon file loader: line rules, sections, slots, value forms and every
// fatal condition, with the message a modder gets.
#include <gtest/gtest.h>

#include <clocale>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "client/simulation/weapons/arms.h"
#include "client/simulation/weapons/arms_values.h"
#include "core_test_support.h"

namespace krel {
namespace {

// Loads bytes as the file "t.dat" into tables that already hold something:
// a load replaces all three tables, a failed one leaves them empty.
struct Loaded {
  std::unique_ptr<WeaponTable> w = std::make_unique<WeaponTable>();
  std::unique_ptr<ObjTable> o = std::make_unique<ObjTable>();
  std::unique_ptr<SObjTable> s = std::make_unique<SObjTable>();
  ArmsError error;
  bool ok = false;
};

Loaded Load(const std::string& bytes) {
  Loaded l;
  (*l.w)[1].NAME = "stale";
  (*l.o)[2].SPEED = (*l.s)[1].DAMAGE = 5;
  l.ok = LoadArmsFromBytes(*l.w, *l.o, *l.s, bytes, "t.dat", l.error);
  return l;
}
Loaded LoadLines(const std::vector<std::string>& lines) {
  std::string bytes;
  for (const std::string& l : lines) bytes += l + "\r\n";
  return Load(bytes);
}

int SlotNamed(const WeaponTable& w, const std::string& name) {
  for (int i = 0; i < kWeaponSlots; ++i)
    if (w[i].NAME == name) return i;
  return -1;
}

TEST(ArmsSlots, OrderRoundsHalfToEvenAfterSubtractingOne) {
  const struct {
    const char* order;
    int slot;
  } cases[] = {{"2.5", 3}, {"3.5", 3},  {"abc", 0},    {"0", 0},   {"4.5", 5},
               {"41", 41}, {"-0.4", 0}, {"12abc", 12}, {"1 2", 12}};
  for (const auto& c : cases) {
    Loaded l = LoadLines({"ORDER:1", "NAME:first", std::string("ORDER:") + c.order, "NAME:probe"});
    EXPECT_EQ(SlotNamed(*l.w, "probe"), c.slot) << "ORDER:" << c.order << " " << l.error.Message();
  }
}

TEST(ArmsSlots, BonusSlotAndBeamsFinalisedOnlyByTheNextOrder) {
  // Slot 0 is never finalised, 1 is a beam, 2 has a shadow, 3 is not type 4,
  // 4 is the last of its section: a later ORDER among objects means nothing.
  Loaded l = LoadLines({"NAME:Bonus", "SHOTTYPE:4", "SPEED:9", "ORDER:1", "SHOTTYPE:4", "SPEED:100", "ORDER:2",
                        "SHOTTYPE:4", "SHADOW:1", "SPEED:50", "ORDER:3", "SHOTTYPE:3", "SPEED:60", "ORDER:4",
                        "SHOTTYPE:4", "SPEED:70", "OBJECT:", "SPEED:5", "ORDER:5"});
  ASSERT_TRUE(l.ok) << l.error.Message();
  EXPECT_EQ((*l.w)[0].NAME, "Bonus");
  const int16 speeds[] = {9, 32000, 50, 60, 70};
  for (int s = 0; s < 5; ++s) EXPECT_EQ((*l.w)[s].SPEED, speeds[s]) << "slot " << s;
}

TEST(ArmsLines, LfCrAndCrLfEndLinesAndKeysMatchExactly) {
  Loaded lf = Load("ORDER:5\nNAME:Gun\nSPEED:3\n");  // saved on Linux
  EXPECT_TRUE(lf.ok && SlotNamed(*lf.w, "Gun") == 5 && (*lf.w)[5].SPEED == 3) << lf.error.Message();
  Loaded m = Load("ORDER:2\rNAME:a\r\nSPEED:4\n\rAMMO:6");  // CR, CR LF, LF, CR, no end at all
  EXPECT_TRUE((*m.w)[2].NAME == "a" && (*m.w)[2].SPEED == 4 && (*m.w)[2].AMMO == 6) << m.error.Message();
  EXPECT_EQ(Load("ORDER:2\n\rSPEED:x\r\n").error.line, 3);  // LF then CR: two line ends around an empty line

  Loaded l = LoadLines({"ORDER:1", "NAME:Gun: the big one:", "order:5", "name:lower", " NAME:lead", "NAME :trail",
                        "speed:9", "SPEEDV:4", "REM: comment", "AMMO:2", "AMMO:3"});
  EXPECT_EQ((*l.w)[1].NAME, "Gun: the big one:") << l.error.Message();
  EXPECT_TRUE((*l.w)[1].SPEED == 0 && (*l.w)[1].AMMO == 3) << "lower-case keys are unknown; a later line overwrites";
  for (const char* ignored : {"lower", "lead", "trail"}) EXPECT_EQ(SlotNamed(*l.w, ignored), -1) << ignored;
}

TEST(ArmsSections, SectionsSlotsAndTheirLimits) {
  Loaded only = LoadLines({"ORDER:1", "SPEED:10"});  // weapons alone: the other tables are emptied
  EXPECT_TRUE(only.ok && (*only.w)[1].SPEED == 10 && (*only.o)[2].SPEED == 0 && (*only.s)[1].DAMAGE == 0);
  // SOBJECT means nothing among weapons, weapon keys nothing among objects,
  // OBJECT nothing among special objects; object slots start at 1.
  Loaded s = LoadLines({"SOBJECT:", "ORDER:1", "AMMO:1", "OBJECT:ignored", "SPEED:4", "NAME:x", "ORDER:3",
                        "SHOTDELAY:4", "OBJECT:", "SPEED:7", "SOBJECT:", "DAMAGE:9", "OBJECT:", "DAMAGE:8"});
  EXPECT_TRUE(s.ok && SlotNamed(*s.w, "x") == -1) << s.error.Message();
  EXPECT_EQ((std::vector<int>{(*s.w)[1].AMMO, (*s.w)[3].SHOTDELAY, (*s.o)[0].SPEED, (*s.o)[1].SPEED, (*s.o)[2].SPEED,
                              (*s.s)[1].DAMAGE}),
            (std::vector<int>{1, 0, 0, 4, 7, 8}));

  // 30 objects fit; a 31st OBJECT line is accepted, its first known key is not.
  std::vector<std::string> lines;
  for (int i = 1; i <= 31; ++i) lines.insert(lines.end(), {"OBJECT:", "SPEED:" + std::to_string(i)});
  lines.back() = "REM:unknown keys are still fine";
  Loaded thirty = LoadLines(lines);
  EXPECT_EQ((*thirty.o)[30].SPEED, 30) << thirty.error.Message();
  lines.push_back("BOUNCE:5");
  EXPECT_EQ(LoadLines(lines).error.Message().rfind("t.dat:63: BOUNCE: there are only 30 objects, but the OBJECT "
                                                   "line on line 61 starts object 31",
                                                   0),
            0u);
  std::vector<std::string> special = {"OBJECT:"};
  for (int i = 1; i <= 21; ++i) special.insert(special.end(), {"SOBJECT:", "DAMAGE:" + std::to_string(i)});
  EXPECT_EQ(LoadLines(special).error.Message().rfind("t.dat:43: DAMAGE: there are only 20 special objects", 0), 0u);
}

TEST(ArmsValues, FormsRoundHalfToEvenAndLimitsApplyAfterConversion) {
  const struct {
    const char* line;
    int16 WeaponDef::*field;
    int16 stored;
  } cases[] = {
      {"SHOTDELAY:5", &WeaponDef::SHOTDELAY, 2},
      {"SHOTDELAY:3", &WeaponDef::SHOTDELAY, 2},
      {"TIMETOEXPLODEV:7", &WeaponDef::TIMETOEXPLODEV, 4},
      {"MAPCHANGE:3 blasts", &WeaponDef::MAPCHANGE, 3},
      {"SPEED: 12.5 ", &WeaponDef::SPEED, 12},
      {"BLOW:-2.5", &WeaponDef::BLOW, -2},
      {"SPEED:-32768.5", &WeaponDef::SPEED, -32768},
      {"SHOTDELAY:65534", &WeaponDef::SHOTDELAY, 32767},
      {"PTRAILDELAY:13105", &WeaponDef::PTRAILDELAY, 6553},  // the largest period that fits 16 bits
  };
  for (const auto& c : cases) {
    Loaded l = LoadLines({"ORDER:1", c.line});
    EXPECT_EQ((*l.w)[1].*c.field, c.stored) << c.line << " " << l.error.Message();
  }
  Loaded o = LoadLines({"OBJECT:", "BTRAILDELAY:5", "MAPCHANGE:x", "SOBJECT:", "ANIMDELAY:3", "MAPCHANGE: 6 "});
  ASSERT_TRUE(o.ok) << o.error.Message();
  EXPECT_EQ((std::vector<int>{(*o.o)[1].BTRAILDELAY, (*o.o)[1].MAPCHANGE, (*o.s)[1].ANIMDELAY, (*o.s)[1].MAPCHANGE}),
            (std::vector<int>{3, 0, 2, 6}));
  // Trails with a delay of 1, and delays without a trail, are fine.
  EXPECT_TRUE(LoadLines({"PTRAILPTYPE:1", "PTRAILDELAY:1", "ORDER:1", "OTRAILDELAY:-2", "ORDER:41", "ORDER:0"}).ok);
}

TEST(ArmsFatal, EveryConditionNamesFileLineKeyAndProblem) {
  const struct {
    std::vector<std::string> lines;
    int line;
    const char* key;
    const char* problem;
  } cases[] = {
      {{"ORDER:1", "", "just some words"}, 3, "", "the line \"just some words\" has no colon"},
      {{"ORDER:1", "SPEED:fast"}, 2, "SPEED", "\"fast\" is not a number"},
      {{"OBJECT:", "SOBJECT:", "MAPCHANGE:3 blasts"}, 3, "MAPCHANGE", "is not a number"},
      {{"SPEED:32767.5"}, 1, "SPEED", "\"32767.5\" is outside -32768..32767"},
      {{"ORDER:99999"}, 1, "ORDER", "is outside"},
      {{"SHOTDELAY:65535"}, 1, "SHOTDELAY", "halved is outside"},
      {{"PTRAILDELAY:65534"}, 1, "PTRAILDELAY", "halved plus 1 is outside"},
      {{"ORDER:43", "NAME:x"}, 2, "NAME", "ORDER on line 1 started weapon 43, but ORDER must lie between 0 and 41"},
      {{"ORDER:42", "SPEEDV:1", "ORDER:1"}, 3, "ORDER", "weapon 42, started by ORDER on line 1, cannot be completed"},
      {{"ORDER:1", "NAME:x", "PTRAILPTYPE:3"}, 3, "PTRAILPTYPE", "stored PTRAILDELAY is 0 (the key is missing)"},
      {{"ORDER:2", "OTRAILDELAY:-2", "OTRAILTYPE:1"},
       2,
       "OTRAILDELAY",
       "weapon 2 has a trail (OTRAILTYPE 1) but its stored OTRAILDELAY is 0;"},
      {{"ORDER:1", "PTRAILDELAY:13106"}, 2, "PTRAILDELAY", "period of 32770 steps"},
      {{"OBJECT:", "OTRAILDELAY:-20000"}, 2, "OTRAILDELAY", "does not fit in 16 bits"},
  };
  for (const auto& c : cases) {
    Loaded l = LoadLines(c.lines);
    const std::string where = "t.dat:" + std::to_string(c.line) + ": " + (*c.key ? std::string(c.key) + ": " : "");
    EXPECT_TRUE(!l.ok && l.error.Message().rfind(where, 0) == 0 && l.error.what.find(c.problem) != std::string::npos)
        << c.problem << " / " << l.error.Message();
    EXPECT_TRUE((*l.w)[1].NAME.empty() && (*l.o)[2].SPEED == 0 && (*l.s)[1].DAMAGE == 0) << "tables left behind";
  }
  for (const char* bad : {"", "0x10", ".", "inf", "nan"})
    EXPECT_EQ(LoadLines({std::string("AMMO:") + bad}).error.Message(),
              std::string("t.dat:1: AMMO: \"") + bad + "\" is not a number");
}

TEST(ArmsValues, NumbersIgnoreTheLocale) {
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  std::setlocale(LC_ALL, "de_DE.UTF-8");  // a decimal comma, when the machine has it
  const double inf = std::numeric_limits<double>::infinity();
  const std::optional<double> none;
  const struct {
    std::string text;
    std::optional<double> strict;
    double lenient;
  } cases[] = {{" -12.25\t", -12.25, -12.25},
               {"-.5", -0.5, -0.5},
               {"2.5E1", 25, 25},
               {"1,5", none, 1},
               {"1.2.3", none, 1.2},
               {" - 4.5x", none, -4.5},
               {"1 2 . 5", none, 12.5},
               {std::string(5000, '9'), inf, inf},
               {"-1e-99999999", 0, 0}};
  for (const auto& c : cases)
    EXPECT_TRUE(ParseNumber(c.text) == c.strict && ParseLenient(c.text) == c.lenient) << '"' << c.text << '"';
  std::setlocale(LC_ALL, saved.c_str());
}

TEST(ArmsFile, AnUnreadableFileIsNamedAndClearsTheTables) {
  testing::TempCwd dir;
  World w;
  w.WeaponDefs[1].NAME = "stale";
  ArmsError e;
  const std::string folder = dir.path().string();
  EXPECT_TRUE(!LoadArms(w, folder, e) && w.WeaponDefs[1].NAME.empty() &&
              e.Message() == folder + ": cannot open the weapon file: it is a directory");
}

}  // namespace
}  // namespace krel
