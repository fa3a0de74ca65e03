// The krel-arms tool: counts, the JSON dump and the command line.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <unistd.h>

#include "client/weapons/arms.h"
#include "client/weapons/arms_report.h"

namespace krel {
namespace {

TEST(ArmsReport, CountsNonEmptySlotsOnly) {
  auto w = std::make_unique<WeaponTable>();
  auto o = std::make_unique<ObjTable>();
  auto s = std::make_unique<SObjTable>();
  ArmsCounts none = CountArms(*w, *o, *s);
  EXPECT_EQ(none.weapons, 0);
  EXPECT_FALSE(none.bonus_item);

  (*w)[0].AMMO = 1;        // the bonus item: reported apart
  (*w)[1].NAME = "named";  // a name alone makes a weapon
  (*w)[41].SHADOW = -1;    // so does the last field in the last slot
  (*o)[0].SPEED = 3;       // slot 0 of objects is never counted
  (*o)[30].TIMETOEXPLODEV = 2;
  (*s)[20].MAPCHANGE = 1;
  (*s)[1].WORMDETECTRANGE = 5;
  ArmsCounts c = CountArms(*w, *o, *s);
  EXPECT_TRUE(c.bonus_item);
  EXPECT_EQ(c.weapons, 2);
  EXPECT_EQ(c.objects, 1);
  EXPECT_EQ(c.special_objects, 2);
}

TEST(ArmsReport, JsonNamesEverySlotAndField) {
  auto w = std::make_unique<WeaponTable>();
  auto o = std::make_unique<ObjTable>();
  auto s = std::make_unique<SObjTable>();
  (*w)[3].NAME = "Say \"hi\"\\\n\xe4";
  (*w)[3].SHADOW = -7;
  (*o)[30].TIMETOEXPLODEV = 12;
  (*s)[20].MAPCHANGE = 6;
  const std::string j = ArmsJson(*w, *o, *s);

  EXPECT_NE(j.find("\"3\": {\"NAME\": \"Say \\\"hi\\\"\\\\\\n\\u00e4\", \"ACCADD\": 0,"), std::string::npos) << j;
  EXPECT_NE(j.find("\"SPLINTERTYPE\": 0, \"ANIMSFRAME\": 0, \"TIMETOEXPLODE\": 0, \"TIMETOEXPLODEV\": 0, "
                   "\"SHADOW\": -7}"),
            std::string::npos);
  EXPECT_NE(j.find("\"30\": {\"BLOOD\": 0,"), std::string::npos);
  EXPECT_NE(j.find("\"TIMETOEXPLODEV\": 12}\n"), std::string::npos);
  EXPECT_NE(j.find("\"20\": {\"WORMDETECTRANGE\": 0, \"DAMAGE\": 0, \"BLOWAWAY\": 0, \"FIRSTSOUND\": 0, "
                   "\"NUMSOUNDS\": 0, \"ANIMSFRAME\": 0, \"ANIMFRAMES\": 0, \"ANIMDELAY\": 0, \"MAPCHANGE\": 6}\n"),
            std::string::npos);
  // Every slot appears once, keyed by its number, tables in order.
  std::size_t wpos = j.find("\"WeaponDefs\""), opos = j.find("\"ObjDefs\""), spos = j.find("\"SObjDefs\"");
  ASSERT_LT(wpos, opos);
  ASSERT_LT(opos, spos);
  EXPECT_NE(j.substr(wpos, opos - wpos).find("\"41\": {"), std::string::npos);
  EXPECT_EQ(j.substr(wpos, opos - wpos).find("\"42\": {"), std::string::npos);
  EXPECT_EQ(j.substr(opos, spos - opos).find("\"31\": {"), std::string::npos);
  EXPECT_EQ(j.substr(spos).find("\"21\": {"), std::string::npos);
  // Plain ASCII, balanced braces, no trailing comma before a closing brace.
  int depth = 0;
  for (std::size_t i = 0; i < j.size(); ++i) {
    ASSERT_LT(static_cast<unsigned char>(j[i]), 0x80);
    if (j[i] == '{') ++depth;
    if (j[i] == '}') --depth;
    ASSERT_GE(depth, 0);
  }
  EXPECT_EQ(depth, 0);
  EXPECT_EQ(j.find(",\n  }"), std::string::npos);
  EXPECT_EQ(j.find(", }"), std::string::npos);
}

class ArmsTool : public ::testing::Test {
 protected:
  void SetUp() override {
    static std::atomic<int> counter{0};
    dir_ = std::filesystem::temp_directory_path() /
           ("krel_arms_tool_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Write(const std::string& bytes) {
    std::string p = (dir_ / "arms.dat").string();
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
  }
  int Run(std::vector<std::string> args) {
    out_.str("");
    err_.str("");
    return RunArmsTool(args, out_, err_);
  }
  std::filesystem::path dir_;
  std::ostringstream out_, err_;
};

TEST_F(ArmsTool, CheckAndDumpReportWhatTheLoaderSaw) {
  std::string good = Write("NAME:bonus\r\nORDER:1\r\nNAME:a\r\nORDER:2\r\nAMMO:1\r\nOBJECT:\r\nSPEED:1\r\n"
                           "OBJECT:\r\nSOBJECT:\r\nDAMAGE:2\r\n");
  ASSERT_EQ(Run({"check", good}), 0) << err_.str();
  EXPECT_EQ(out_.str().rfind("ok: 2 weapons, 1 object, 1 special object\n", 0), 0u) << out_.str();
  EXPECT_NE(out_.str().find("bonus item in weapon slot 0 is set"), std::string::npos);
  EXPECT_EQ(out_.str().find("note:"), std::string::npos);
  EXPECT_TRUE(err_.str().empty());

  ASSERT_EQ(Run({"dump", good}), 0);
  EXPECT_EQ(out_.str().rfind("{\n  \"WeaponDefs\": {\n    \"0\": {\"NAME\": \"bonus\"", 0), 0u) << out_.str();

  std::string bad = Write("ORDER:1\r\nSPEED:fast\r\n");
  EXPECT_EQ(Run({"check", bad}), 1);
  EXPECT_EQ(err_.str(), bad + ":2: SPEED: \"fast\" is not a number\n");
  EXPECT_TRUE(out_.str().empty());
  EXPECT_EQ(Run({"dump", bad}), 1);
  EXPECT_TRUE(out_.str().empty());

  std::string lf = Write("ORDER:1\nNAME:x\n");
  ASSERT_EQ(Run({"check", lf}), 0);
  EXPECT_EQ(out_.str().rfind("ok: 0 weapons, 0 objects, 0 special objects\n", 0), 0u);
  EXPECT_NE(out_.str().find("note: the file has line feeds without a carriage return"), std::string::npos);

  EXPECT_EQ(Run({}), 2);
  EXPECT_EQ(Run({"check"}), 2);
  EXPECT_EQ(Run({"verify", good}), 2);
  EXPECT_NE(err_.str().find("usage:"), std::string::npos);
}

}  // namespace
}  // namespace krel
