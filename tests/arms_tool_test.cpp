// The krel-arms tool: counts, the JSON dump, the warnings of check and the
// command line.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <vector>

#include "client/simulation/weapons/arms.h"
#include "core_test_support.h"
#include "tools/krel-arms/lint.h"
#include "tools/krel-arms/report.h"
#include "tools/krel-arms/tool.h"

namespace krel {
namespace {

struct Tables {
  std::unique_ptr<WeaponTable> w = std::make_unique<WeaponTable>();
  std::unique_ptr<ObjTable> o = std::make_unique<ObjTable>();
  std::unique_ptr<SObjTable> s = std::make_unique<SObjTable>();
  // The lint's warnings of a file the loader accepts.
  std::vector<std::string> Lint(const std::string& file) {
    ArmsError e;
    EXPECT_TRUE(LoadArmsFromBytes(*w, *o, *s, file, "t.dat", e)) << e.Message();
    return LintArms(file, *w, *o, *s);
  }
};

TEST(ArmsReport, CountsNonEmptySlotsAndEscapesNames) {
  Tables t;
  (*t.w)[0].AMMO = 1;                             // the bonus item: reported apart
  (*t.w)[3].NAME = "Say \"hi\"\\\n\xe4\x80\x7f";  // a name alone makes a weapon
  (*t.w)[41].SHADOW = -7;                         // so does the last field in the last slot
  (*t.o)[0].SPEED = 3;                            // slot 0 of objects is never counted
  (*t.o)[30].TIMETOEXPLODEV = 12;
  (*t.s)[1].WORMDETECTRANGE = 5;
  (*t.s)[20].MAPCHANGE = 6;
  const ArmsCounts c = CountArms(*t.w, *t.o, *t.s);
  EXPECT_EQ((std::vector<int>{c.bonus_item, c.weapons, c.objects, c.special_objects}), (std::vector<int>{1, 2, 1, 2}));

  // Names in the game's code page, escaped to plain ASCII (0x80 is the euro
  // sign there). The dump's layout: e2e/krel_arms.sh parses a whole one.
  const std::string j = ArmsJson(*t.w, *t.o, *t.s);
  EXPECT_NE(j.find("\"3\": {\"NAME\": \"Say \\\"hi\\\"\\\\\\u000a\\u00e4\\u20ac\\u007f\", \"ACCADD\": 0,"),
            std::string::npos)
      << j;
  EXPECT_TRUE(std::all_of(j.begin(), j.end(), [](char ch) { return static_cast<unsigned char>(ch) < 0x80; }));
}

TEST(ArmsLint, WarnsOfNearMissKeysAndValuesTheGameCannotUse) {
  Tables t;
  const std::string file =
      "ORDER:1\r\nNAME:Gun\r\n"
      "SPED:5\r\n"                          // 3: one letter short
      "NOTESPEED:x\r\n"                     // 4: notes are never warned about
      "REMARK:y\r\n"                        // 5: far from every key
      "SOUNDLAUNCH:31\r\n"                  // 6
      "SOUNDEXPLODE:30\r\n"                 // 7: the last sound, fine
      "CREATEONHIT:2\r\n"                   // 8: an empty special object
      "PTRAILPTYPE:1\r\nPTRAILDELAY:1\r\n"  // 9: object 1 exists
      "SHOTTYPE:2\r\nANIMSFRAME:120\r\n"    // 12: 17 cells from 120 pass 129
      "ORDER:2\r\nNAME:Dot\r\nANIMSFRAME:-1\r\nSPLINTERAMOUNT:3\r\nSPLINTERTYPE:31\r\n"             // 17: no object 31
      "OBJECT:\r\nSPEEDV:1\r\nANIMSFRAME:129\r\nANIMFRAMES:2\r\nOTRAILTYPE:1\r\nOTRAILDELAY:1\r\n"  // 20
      "SOBJECT:\r\nFIRSTSOUND:29\r\nNUMSOUNDS:3\r\nANIMSFRAME:101\r\nANIMFRAMES:10\r\nANIMDELAY:2\r\nDAMAGES:1\r\n";
  const std::vector<std::string> want = {
      "line 3: SPED is not a weapon key; did you mean SPEED?",
      "line 6: weapon 1 (Gun): SOUNDLAUNCH 31 is not a sound number (1-30; 0 is none)",
      "line 8: weapon 1 (Gun): CREATEONHIT 2 names an empty special-object slot",
      "line 12: weapon 1 (Gun): ANIMSFRAME shows GFX8 cells 120-136, but cell 130 has no picture (GFX8 cells "
      "are 0-129)",
      "line 17: weapon 2 (Dot): SPLINTERTYPE 31 is not an object number (1-30)",
      "line 20: object 1: ANIMSFRAME shows GFX8 cells 130-131, but cell 130 has no picture (GFX8 cells are 0-129)",
      "line 25: special object 1: FIRSTSOUND plays sounds 29-31, but sound numbers are 1-30",
      "line 27: special object 1: ANIMSFRAME shows GFX16 cells 101-110, but cell 110 has no picture (GFX16 cells "
      "are 0-109)",
      "line 30: DAMAGES is not a special-object key; did you mean DAMAGE?",
  };
  EXPECT_EQ(t.Lint(file), want);
  EXPECT_EQ(t.Lint(testing::ReadFileBytes(KREL_SOURCE_DIR "/data/arms.dat")), std::vector<std::string>{})
      << "the shipped file is clean";
}

TEST(ArmsLint, WarnsOfObjectsThatSplinterIntoThemselves) {
  // Objects 1 to 4 of a file: OBJECT lines 2, 5, 8, 11 (one weapon line first).
  const struct {
    const char* objects;
    std::vector<std::string> want;
  } cases[] = {
      {"OBJECT:\r\nSPLINTERAMOUNT:3\r\nSPLINTERTYPE:1\r\nGROUNDREMOVE:1\r\n",
       {"line 4: object 1: SPLINTERTYPE makes the object splinter into itself: every explosion throws new copies, "
        "so they never die out"}},
      // 1 -> 2 -> 3 -> 1, said once, at object 1; 4 splinters into the chain but is not part of it.
      {"OBJECT:\r\nSPLINTERAMOUNT:1\r\nSPLINTERTYPE:2\r\nTIMETOEXPLODE:9\r\n"
       "OBJECT:\r\nSPLINTERAMOUNT:2\r\nSPLINTERTYPE:3\r\nWORMEXPLODE:1\r\n"
       "OBJECT:\r\nSPLINTERAMOUNT:2\r\nSPLINTERTYPE:1\r\nGROUNDREMOVE:1\r\n"
       "OBJECT:\r\nSPLINTERAMOUNT:2\r\nSPLINTERTYPE:2\r\nGROUNDREMOVE:1\r\n",
       {"line 4: object 1: SPLINTERTYPE starts a chain of splinters that comes back to the object (1 -> 2 -> 3 -> "
        "1): every explosion throws new copies, so they never die out"}},
      // An object that never explodes, or throws no splinters, breaks the chain.
      {"OBJECT:\r\nSPLINTERAMOUNT:3\r\nSPLINTERTYPE:1\r\nWORMREMOVE:1\r\n", {}},
      {"OBJECT:\r\nSPLINTERAMOUNT:0\r\nSPLINTERTYPE:1\r\nGROUNDREMOVE:1\r\n", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(Tables().Lint(std::string("ORDER:1\r\n") + c.objects), c.want) << c.objects;
}

TEST(ArmsTool, HelpWarningsStrictAndRefusedFiles) {
  testing::TempCwd dir;
  std::ostringstream out, err;
  auto run = [&](const std::vector<std::string>& args) {
    out.str("");
    err.str("");
    return RunArmsTool(args, out, err);
  };
  const std::string good = (dir.path() / "good.dat").string(), typo = (dir.path() / "typo.dat").string(),
                    lf = (dir.path() / "lf.dat").string();
  testing::WriteFileBytes(good, "NAME:bonus\r\nORDER:1\r\nNAME:a\r\nOBJECT:\r\nSOBJECT:\r\nDAMAGE:2\r\n");
  testing::WriteFileBytes(typo, "ORDER:1\r\nNAME:a\r\nAMMMO:3\r\n");
  testing::WriteFileBytes(lf, "ORDER:1\nNAME:x\n");
  ASSERT_EQ(run({"check", good}), 0) << err.str();
  EXPECT_NE(out.str().find("the bonus crates, the keys before the first ORDER, are set"), std::string::npos)
      << out.str();

  // Warnings follow the ok line and fail the run only under --strict.
  for (const auto& [args, status] : std::vector<std::pair<std::vector<std::string>, int>>{
           {{"check", typo}, 0}, {{"check", typo, "--strict"}, 1}, {{"check", "--strict", good}, 0}}) {
    EXPECT_EQ(run(args), status) << args[1];
    const bool warns = args.back() != good;
    EXPECT_EQ(out.str().find("\nwarning: line 3: AMMMO is not a weapon key; did you mean AMMO?\n") != std::string::npos,
              warns)
        << out.str();
  }

  // LF line ends load; the check mentions them without a warning.
  EXPECT_EQ(run({"check", lf, "--strict"}), 0) << err.str();
  EXPECT_NE(out.str().find("\nnote: the file has LF line ends"), std::string::npos) << out.str();
  EXPECT_EQ(out.str().find("warning"), std::string::npos) << out.str();

  EXPECT_TRUE(run({"--help"}) == 0 && out.str().rfind("usage:", 0) == 0 && err.str().empty());
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"check"}, {"verify", good}, {"dump", "--strict", good}})
    EXPECT_TRUE(run(args) == 2 && err.str().rfind("usage:", 0) == 0 && out.str().empty()) << err.str();
}

}  // namespace
}  // namespace krel
