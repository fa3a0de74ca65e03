#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "client/core/dump.h"
#include "client/core/perf_log.h"
#include "client/terrain/level.h"
#include "core_test_support.h"

namespace krel {
namespace {

using testing::ReadFileBytes;
using testing::TempCwd;

TEST(Dump, OneJsonObjectWithEveryPlayerInUse) {
  auto w = std::make_unique<World>();
  w->NumPlayers = 3;
  w->Players[1].SetName("J\xF6rg \"JJ\" \\");
  w->Players[1].Lives = 4;
  w->Players[1].Kills = 2;
  w->Players[1].Health = 37;
  w->Players[1].Alive = kTrue;
  w->Players[1].Age = 99;
  w->Players[1].X = fixed(12.5);
  w->Players[1].Y = fixed(-0.0625);
  w->Players[2].SetName("A very long name indeed, cut");
  w->Players[3].SetName("\x01");
  w->Players[4].SetName("not in use");
  EXPECT_EQ(DumpLine(*w, 42, GameEnd::kGameOver),
            "{\"frames\":42,\"end\":\"gameover\",\"NumPlayers\":3,\"players\":["
            "{\"Name\":\"J\xC3\xB6rg \\\"JJ\\\" \\\\         \",\"Lives\":4,\"Kills\":2,\"Health\":37,"
            "\"Alive\":true,\"Age\":99,\"X\":12.5,\"Y\":-0.0625},"
            "{\"Name\":\"A very long name ind\",\"Lives\":0,\"Kills\":0,\"Health\":0,\"Alive\":false,"
            "\"Age\":0,\"X\":0,\"Y\":0},"
            "{\"Name\":\"\\u0001                   \",\"Lives\":0,\"Kills\":0,\"Health\":0,\"Alive\":false,"
            "\"Age\":0,\"X\":0,\"Y\":0}],"
            "\"LevelWidth\":0,\"LevelHeight\":0,\"LevelChecksum\":2166136261}");

  // A player count from bad network data never reads past the table.
  w->NumPlayers = 40;
  std::string line = DumpLine(*w, 1, GameEnd::kEscape);
  std::size_t names = 0;
  for (std::size_t pos = 0; (pos = line.find("\"Name\"", pos)) != std::string::npos; ++pos) ++names;
  EXPECT_EQ(names, 17u);
  w->NumPlayers = -1;
  EXPECT_NE(DumpLine(*w, 1, GameEnd::kClosed).find("\"end\":\"closed\",\"NumPlayers\":-1,\"players\":[],"),
            std::string::npos);
}

TEST(Dump, LevelChecksumFollowsMaterialsNotColours) {
  auto w = std::make_unique<World>();
  EXPECT_EQ(LevelChecksum(*w), 2166136261u);  // FNV-1a of nothing
  // Two soil colours and one free colour.
  w->MaterialTable[0x1111] = kSoil;
  w->MaterialTable[0x2222] = kSoil;
  w->MaterialTable[0x3333] = kFree;
  ASSERT_NE(MaterialOf(*w, 0x1111), MaterialOf(*w, 0x3333));
  w->LevelSurface = Surface(3, 2);
  w->LevelSurface.Clear(0x1111);
  // One byte, soil (1): (basis ^ 1) * prime, six times.
  std::uint32_t h = 2166136261u;
  for (int i = 0; i < 6; ++i) h = (h ^ 1u) * 16777619u;
  EXPECT_EQ(LevelChecksum(*w), h);
  const std::uint32_t all_soil = LevelChecksum(*w);
  w->LevelSurface.At(1, 0) = 0x2222;  // another soil colour: same map
  EXPECT_EQ(LevelChecksum(*w), all_soil);
  w->LevelSurface.At(1, 0) = 0x3333;  // dug free
  const std::uint32_t dug_a = LevelChecksum(*w);
  EXPECT_NE(dug_a, all_soil);
  w->LevelSurface.At(1, 0) = 0x1111;
  w->LevelSurface.At(2, 1) = 0x3333;  // the same change elsewhere
  EXPECT_NE(LevelChecksum(*w), dug_a);
  EXPECT_NE(LevelChecksum(*w), all_soil);
}

TEST(Dump, FilesAreAppendedAndFailuresNamed) {
  TempCwd tmp;
  std::string error;
  ASSERT_TRUE(AppendDumpLine("d.jsonl", "{\"a\":1}", error)) << error;
  ASSERT_TRUE(AppendDumpLine("d.jsonl", "{\"a\":2}", error)) << error;
  EXPECT_EQ(ReadFileBytes("d.jsonl"), "{\"a\":1}\n{\"a\":2}\n");
  EXPECT_FALSE(AppendDumpLine("no/such/folder/d.jsonl", "{}", error));
  EXPECT_NE(error.find("no/such/folder/d.jsonl"), std::string::npos);

  std::array<int32, 21> counters{};
  counters[0] = 1234;
  counters[2] = 7;
  counters[5] = 2147483647;
  counters[6] = 99;  // not reported
  const std::string block =
      "Warten: 1234\r\nSpieler: 0\r\nSch\xFCsse: 7\r\nObjekte: 0\r\nSObjs: 0\r\nAnzeigen: 2147483647\r\n";
  EXPECT_EQ(FormatPerformanceLog(counters), block);
  ASSERT_TRUE(AppendPerformanceLog("performance.log", counters, error)) << error;
  ASSERT_TRUE(AppendPerformanceLog("performance.log", counters, error)) << error;
  EXPECT_EQ(ReadFileBytes("performance.log"), block + block);
  std::filesystem::create_directory("adir");
  EXPECT_FALSE(AppendPerformanceLog("adir", counters, error));
  EXPECT_NE(error.find("adir"), std::string::npos);
}

}  // namespace
}  // namespace krel
