// The krel-arms tool: counts, the JSON dump and the command line.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <vector>

#include "client/weapons/arms.h"
#include "client/weapons/arms_report.h"
#include "core_test_support.h"

namespace krel {
namespace {

TEST(ArmsReport, CountsNonEmptySlotsAndDumpsEveryField) {
  struct {
    std::unique_ptr<WeaponTable> w = std::make_unique<WeaponTable>();
    std::unique_ptr<ObjTable> o = std::make_unique<ObjTable>();
    std::unique_ptr<SObjTable> s = std::make_unique<SObjTable>();
  } t;
  EXPECT_FALSE(CountArms(*t.w, *t.o, *t.s).bonus_item);
  (*t.w)[0].AMMO = 1;                    // the bonus item: reported apart
  (*t.w)[3].NAME = "Say \"hi\"\\\n\xe4";  // a name alone makes a weapon
  (*t.w)[41].SHADOW = -7;                // so does the last field in the last slot
  (*t.o)[0].SPEED = 3;                   // slot 0 of objects is never counted
  (*t.o)[30].TIMETOEXPLODEV = 12;
  (*t.s)[1].WORMDETECTRANGE = 5;
  (*t.s)[20].MAPCHANGE = 6;
  const ArmsCounts c = CountArms(*t.w, *t.o, *t.s);
  EXPECT_EQ((std::vector<int>{c.bonus_item, c.weapons, c.objects, c.special_objects}), (std::vector<int>{1, 2, 1, 2}));

  // Names escaped to plain ASCII; the last field of the last slot closes its
  // table (e2e/krel_arms.sh parses a whole dump and counts its slots).
  const std::string j = ArmsJson(*t.w, *t.o, *t.s);
  for (const char* part : {"\"3\": {\"NAME\": \"Say \\\"hi\\\"\\\\\\n\\u00e4\", \"ACCADD\": 0,",
                           "\"TIMETOEXPLODEV\": 0, \"SHADOW\": -7}\n  },\n  \"ObjDefs\": {\n",
                           "\"ANIMDELAY\": 0, \"MAPCHANGE\": 6}\n  }\n}\n"})
    EXPECT_NE(j.find(part), std::string::npos) << part;
  EXPECT_TRUE(std::all_of(j.begin(), j.end(), [](char ch) { return static_cast<unsigned char>(ch) < 0x80; }));
}

// The tool's plain runs (check, dump, a bad and a missing file, no
// arguments) are covered end to end by e2e/krel_arms.sh.
TEST(ArmsReport, ToolNotesTheBonusItemAndLineFeedsAndRefusesBadRuns) {
  testing::TempCwd dir;
  std::ostringstream out, err;
  auto run = [&](const std::vector<std::string>& args) {
    out.str("");
    err.str("");
    return RunArmsTool(args, out, err);
  };
  const std::string good = (dir.path() / "good.dat").string(), bad = (dir.path() / "bad.dat").string(),
                    lf = (dir.path() / "lf.dat").string();
  testing::WriteFileBytes(good, "NAME:bonus\r\nORDER:1\r\nNAME:a\r\nOBJECT:\r\nSOBJECT:\r\nDAMAGE:2\r\n");
  testing::WriteFileBytes(bad, "ORDER:1\r\nSPEED:fast\r\n");
  testing::WriteFileBytes(lf, "ORDER:1\nNAME:x\n");
  ASSERT_EQ(run({"check", good}), 0) << err.str();
  EXPECT_NE(out.str().find("bonus item in weapon slot 0 is set"), std::string::npos) << out.str();
  EXPECT_EQ(out.str().find("note:"), std::string::npos);
  ASSERT_EQ(run({"dump", good}), 0);
  EXPECT_EQ(out.str().rfind("{\n  \"WeaponDefs\": {\n    \"0\": {\"NAME\": \"bonus\"", 0), 0u) << out.str();
  EXPECT_EQ(run({"dump", bad}), 1);
  EXPECT_TRUE(err.str() == bad + ":2: SPEED: \"fast\" is not a number\n" && out.str().empty()) << err.str();
  ASSERT_EQ(run({"check", lf}), 0);
  EXPECT_EQ(out.str().rfind("ok: 0 weapons, 0 objects, 0 special objects\n", 0), 0u);
  EXPECT_NE(out.str().find("note: the file has line feeds without a carriage return"), std::string::npos);
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{{"check"}, {"verify", good}})
    EXPECT_TRUE(run(args) == 2 && err.str().rfind("usage:", 0) == 0) << err.str();
}

}  // namespace
}  // namespace krel
