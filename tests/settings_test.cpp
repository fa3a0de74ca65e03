#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <string>
#include <tuple>

#include "client/frontend/game_settings.h"
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

// The exact names ("Right " beside "Right") are checked by the keyboard tests
// and the end-to-end menu game; how links, modes and failed writes are
// handled, by the file output tests.
TEST(Settings, ValuesSurviveARestartInUtf8WithTheRestEscapedThroughALink) {
  TempCwd tmp;
  const std::string path = (tmp.path() / "krel.ini").string();
  fs::create_symlink("dotfiles/krel.ini", path);                      // the first save makes the folder
  const std::string value = " J\xF6rg \"the\" \\ =[x]\n\t \x81\x7F";  // 0x81: no character
  IniSettingsStore(path).SaveSetting("Odd ] section ", "key=with;stuff#", value);
  IniSettingsStore again(path);
  EXPECT_TRUE(again.warnings().empty() && fs::is_symlink(path));
  ExpectValues(again, {{"Odd ] section ", "key=with;stuff#", value}});
  EXPECT_NE(ReadFileBytes(path).find("\"=\" J\xC3\xB6rg \\\"the\\\" \\\\ =[x]\\x0A\\x09 \\x81\\x7F\"\n"),
            std::string::npos)
      << ReadFileBytes(path);
  // Text without a byte in the code page is read as "?".
  WriteFileBytes(path, "[P]\n\"Kana\"=\"\xE3\x82\xAB|\xC3|\"\n");
  IniSettingsStore hand(path);
  ExpectValues(hand, {{"P", "Kana", "?|?|"}});
}

TEST(Settings, ASaveSequenceWritesTheFileOnce) {
  TempCwd tmp;
  const fs::path path = tmp.path() / "krel.ini";
  IniSettingsStore store(path.string());
  store.SaveSetting("General Settings", "Lives", "3");  // alone: written at once
  {
    SaveSequence outer(&store);
    store.SaveSetting("General Settings", "Lives", "4");
    {
      SaveSequence inner(&store);
      store.SaveSetting("General Settings", "Loading", "50");
    }
    EXPECT_EQ(std::tuple(store.files_written(),
                         IniSettingsStore(path.string()).GetSetting("General Settings", "Lives", "-")),
              std::tuple(1, "3"s));
  }
  EXPECT_EQ(store.files_written(), 2);
  IniSettingsStore reread(path.string());
  ExpectValues(reread, {{"General Settings", "Lives", "4"}, {"General Settings", "Loading", "50"}});
  // Quitting the menu saves every setting with one write.
  World w;
  w.settings = &store;
  LoadSettings(w);
  SaveSettings(w);
  EXPECT_EQ(store.files_written(), 3);
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
  ExpectValues(store, {{g, "Lives", "20"},
                       {g, "Loading", "-"},
                       {g, "Regenerate", "0"},
                       {g, "LAndC", "-"},
                       {g, "Bad", "-"},
                       {g, "After", "-"},
                       {"", "stray", "-"},
                       {g, "Name", "-"},
                       {"Player 1 Settings", "Name", "-"},
                       {"Player 2 Settings", "Name", "Eva"}});
  // Each problem names the file and its line; values under the damaged
  // header are covered by its warning.
  std::string lines, expected_lines;
  for (const std::string& w : store.warnings()) lines += w.substr(0, w.find(": ")) + "\n";
  for (int n : {1, 4, 6, 7, 8, 9, 11}) expected_lines += path.string() + ", line " + std::to_string(n) + "\n";
  EXPECT_EQ(lines, expected_lines);
  // Saving rewrites the file cleanly; the damage is gone, the values stay,
  // and the file as it was is kept beside it, once.
  const std::string original = ReadFileBytes(path);
  store.SaveSetting("General Settings", "Loading", "55");
  EXPECT_EQ(ReadFileBytes(path.string() + ".bak"), original);
  store.SaveSetting("General Settings", "Loading", "56");
  EXPECT_EQ(ReadFileBytes(path.string() + ".bak"), original);
  IniSettingsStore again(path.string());
  EXPECT_TRUE(again.warnings().empty());
  ExpectValues(again, {{"General Settings", "Loading", "56"}, {"Player 2 Settings", "Name", "Eva"}});

  // Nor does a place that cannot be written: a folder where the file should be.
  fs::create_directories(tmp.path() / "dir.ini");
  IniSettingsStore unwritable((tmp.path() / "dir.ini").string());
  unwritable.SaveSetting("General Settings", "Lives", "30");
  EXPECT_FALSE(unwritable.last_error().empty());
  ExpectValues(unwritable, {{"General Settings", "Lives", "30"}});  // kept for the rest of the run all the same
  EXPECT_EQ(std::distance(fs::directory_iterator(tmp.path()), fs::directory_iterator()), 3);  // no temporary file left
}

}  // namespace
}  // namespace krel
