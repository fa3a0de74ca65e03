// The krel-arms tool: counts, the JSON dump and the command line.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>

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

  const std::string j = ArmsJson(*t.w, *t.o, *t.s);
  for (const char* part : {"\"3\": {\"NAME\": \"Say \\\"hi\\\"\\\\\\n\\u00e4\", \"ACCADD\": 0, \"WORMAFFECT\": 0,",
                           "\"TIMETOEXPLODEV\": 0, \"SHADOW\": -7}\n  },\n  \"ObjDefs\": {\n    \"0\": {\"BLOOD\": 0,",
                           "\"ANIMSFRAME\": 0, \"TIMETOEXPLODE\": 0, \"TIMETOEXPLODEV\": 12}\n  },\n",
                           "\"20\": {\"WORMDETECTRANGE\": 0, \"DAMAGE\": 0, \"BLOWAWAY\": 0, \"FIRSTSOUND\": 0, "
                           "\"NUMSOUNDS\": 0, \"ANIMSFRAME\": 0, \"ANIMFRAMES\": 0, \"ANIMDELAY\": 0, "
                           "\"MAPCHANGE\": 6}\n  }\n}\n"})
    EXPECT_NE(j.find(part), std::string::npos) << part;
  // Every slot once, keyed by its number; plain ASCII with balanced braces:
  // one pair for the whole, one per table and one per slot (42 + 31 + 21).
  EXPECT_EQ(j.find("\"42\": {"), std::string::npos);
  EXPECT_TRUE(std::count(j.begin(), j.end(), '{') == 98 && std::count(j.begin(), j.end(), '}') == 98);
  EXPECT_TRUE(std::all_of(j.begin(), j.end(), [](char ch) { return static_cast<unsigned char>(ch) < 0x80; }));
}

TEST(ArmsReport, ToolChecksAndDumpsWhatTheLoaderSaw) {
  testing::TempCwd dir;
  std::ostringstream out, err;
  auto run = [&](const std::vector<std::string>& args) {
    out.str("");
    err.str("");
    return RunArmsTool(args, out, err);
  };
  const std::string good = (dir.path() / "good.dat").string(), bad = (dir.path() / "bad.dat").string(),
                    lf = (dir.path() / "lf.dat").string();
  testing::WriteFileBytes(good, "NAME:bonus\r\nORDER:1\r\nNAME:a\r\nORDER:2\r\nAMMO:1\r\nOBJECT:\r\nSPEED:1\r\n"
                                "OBJECT:\r\nSOBJECT:\r\nDAMAGE:2\r\n");
  testing::WriteFileBytes(bad, "ORDER:1\r\nSPEED:fast\r\n");
  testing::WriteFileBytes(lf, "ORDER:1\nNAME:x\n");

  ASSERT_EQ(run({"check", good}), 0) << err.str();
  EXPECT_EQ(out.str().rfind("ok: 2 weapons, 1 object, 1 special object\n", 0), 0u) << out.str();
  EXPECT_NE(out.str().find("bonus item in weapon slot 0 is set"), std::string::npos);
  EXPECT_EQ(out.str().find("note:"), std::string::npos);
  ASSERT_EQ(run({"dump", good}), 0);
  EXPECT_EQ(out.str().rfind("{\n  \"WeaponDefs\": {\n    \"0\": {\"NAME\": \"bonus\"", 0), 0u) << out.str();
  EXPECT_NE(out.str().find("\"2\": {\"NAME\": \"\", \"ACCADD\": 0, \"WORMAFFECT\": 0, \"AMMO\": 1,"),
            std::string::npos);

  for (const char* command : {"check", "dump"}) {
    EXPECT_EQ(run({command, bad}), 1);
    EXPECT_EQ(err.str(), bad + ":2: SPEED: \"fast\" is not a number\n");
    EXPECT_TRUE(out.str().empty());
  }
  ASSERT_EQ(run({"check", lf}), 0);
  EXPECT_EQ(out.str().rfind("ok: 0 weapons, 0 objects, 0 special objects\n", 0), 0u);
  EXPECT_NE(out.str().find("note: the file has line feeds without a carriage return"), std::string::npos);
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{{}, {"check"}, {"verify", good}})
    EXPECT_TRUE(run(args) == 2 && err.str().rfind("usage:", 0) == 0) << err.str();
}

}  // namespace
}  // namespace krel
