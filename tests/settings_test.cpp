#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <string>
#include <tuple>

#include "core_test_support.h"
#include "platform/settings.h"

namespace krel {
namespace {

namespace fs = std::filesystem;
using namespace krel::testing;
using namespace std::string_literals;
using Value = std::tuple<std::string, std::string, std::string>;  // section, name, text ("-": none)

void ExpectValues(IniSettingsStore& store, std::initializer_list<Value> values) {
  for (const auto& [section, key, value] : values) EXPECT_EQ(store.GetSetting(section, key, "-"), value) << key;
}

TEST(Settings, ValuesSurviveARestartAndTrailingBlanksStayDistinct) {
  TempCwd tmp;
  const std::string path = (tmp.path() / "cfg" / "krel.ini").string();  // folder made on save
  const std::initializer_list<Value> saved = {
      {"Player 1 Settings", "Right ", "77"}, {"Player 1 Settings", "Right", "99"}, {"General Settings", "Lives", "21"},
      {"Player 2 Settings", "Name", " J\xF6rg \"the\" \\ =[x]\n\t "}, {"Odd ] section ", "key=with;stuff#", ""}};
  {
    IniSettingsStore store(path);
    store.SaveSetting("General Settings", "Lives", "20");  // overwritten below
    for (const auto& [section, key, value] : saved) store.SaveSetting(section, key, value);
  }
  IniSettingsStore again(path);
  EXPECT_TRUE(again.warnings().empty());
  ExpectValues(again, saved);
  // Names are exact: other sections, case and blanks are different values.
  ExpectValues(again, {{"Player 2 Settings", "Right ", "-"}, {"General Settings", "lives", "-"},
                       {"General Settings ", "Lives", "-"}});
  for (char c : ReadFileBytes(path)) ASSERT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7F)) << int(c);  // plain ASCII
}

TEST(Settings, ADamagedFileOrAnUnwritablePlaceDoesNotStopTheGame) {
  TempCwd tmp;
  const fs::path path = tmp.path() / "krel.ini";
  WriteFileBytes(path,
                 "stray=1\n"                      // 1: before any section
                 "[ General Settings ]\r\n"       // 2: blanks and CRLF are fine
                 "\"Lives\"=\"20\"\n"             // 3
                 "\"Loading\"=\"1\x00\x01\xff\n"  // 4: unterminated
                 "Regenerate = 0 \n"              // 5: hand-edited, no quotes
                 "\"LAndC\" \"1\"\n"              // 6: no '='
                 "\"Bad\"=\"\\q\"\n"              // 7: unknown escape
                 "\"After\"=\"x\" junk\n"         // 8: text after the value
                 "[Player 1 Settings\n"           // 9: damaged header
                 "\"Name\"=\"lost\"\n"            // 10: belongs nowhere
                 "\xff\xfe\x00garbage\n"          // 11
                 "[\"Player 2 Settings\"]\n"      // 12: quoted header
                 "\"Name\"=\"Eve\"\n"             // 13
                 "\"Name\"=\"Eva\"\n"s);          // 14: the later line wins
  IniSettingsStore store(path.string());
  const std::string g = "General Settings";
  ExpectValues(store, {{g, "Lives", "20"}, {g, "Loading", "-"}, {g, "Regenerate", "0"}, {g, "LAndC", "-"},
                       {g, "Bad", "-"}, {g, "After", "-"}, {"", "stray", "-"}, {g, "Name", "-"},
                       {"Player 1 Settings", "Name", "-"}, {"Player 2 Settings", "Name", "Eva"}});
  // Each problem names the file and its line; values under the damaged
  // header are covered by its warning.
  std::string lines, expected_lines;
  for (const std::string& w : store.warnings()) lines += w.substr(0, w.find(": ")) + "\n";
  for (int n : {1, 4, 6, 7, 8, 9, 11}) expected_lines += path.string() + ", line " + std::to_string(n) + "\n";
  EXPECT_EQ(lines, expected_lines);
  // Saving rewrites the file cleanly; the damage is gone, the values stay.
  store.SaveSetting("General Settings", "Loading", "55");
  IniSettingsStore again(path.string());
  EXPECT_TRUE(again.warnings().empty());
  ExpectValues(again, {{"General Settings", "Loading", "55"}, {"Player 2 Settings", "Name", "Eva"}});

  // Nor does a place that cannot be written: a folder where the file should be.
  fs::create_directories(tmp.path() / "dir.ini");
  IniSettingsStore unwritable((tmp.path() / "dir.ini").string());
  unwritable.SaveSetting("General Settings", "Lives", "30");
  EXPECT_FALSE(unwritable.last_error().empty());
  ExpectValues(unwritable, {{"General Settings", "Lives", "30"}});  // kept for the rest of the run all the same
  EXPECT_EQ(std::distance(fs::directory_iterator(tmp.path()), fs::directory_iterator()), 2);  // no temporary file left
}

}  // namespace
}  // namespace krel
