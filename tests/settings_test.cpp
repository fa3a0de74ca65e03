#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "core_test_support.h"
#include "platform/settings.h"

namespace krel {
namespace {

namespace fs = std::filesystem;
using testing::ReadFileBytes;
using testing::TempCwd;
using testing::WriteFileBytes;
using namespace std::string_literals;

// Sets or unsets an environment variable for one test.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value != nullptr) {
      ::setenv(name, value, 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      ::setenv(name_.c_str(), old_->c_str(), 1);
    } else {
      ::unsetenv(name_.c_str());
    }
  }

 private:
  std::string name_;
  std::optional<std::string> old_;
};

TEST(Settings, ValuesSurviveARestartAndTrailingBlanksStayDistinct) {
  TempCwd tmp;
  const std::string path = (tmp.path() / "cfg" / "krel.ini").string();  // folder made on save
  {
    IniSettingsStore store(path);
    EXPECT_EQ(store.GetSetting("Player 1 Settings", "Right ", "205"), "205");  // never written
    store.SaveSetting("Player 1 Settings", "Right ", "77");
    store.SaveSetting("Player 1 Settings", "Right", "99");
    store.SaveSetting("General Settings", "Lives", "20");
    store.SaveSetting("Player 2 Settings", "Name", " J\xF6rg \"the\" \\ =[x]\n\t ");
    store.SaveSetting("Odd ] section ", "key=with;stuff#", "");
    store.SaveSetting("General Settings", "Lives", "21");  // overwritten
    EXPECT_TRUE(store.last_error().empty()) << store.last_error();
  }
  IniSettingsStore again(path);
  EXPECT_TRUE(again.warnings().empty()) << again.warnings().front();
  EXPECT_EQ(again.GetSetting("Player 1 Settings", "Right ", "205"), "77");
  EXPECT_EQ(again.GetSetting("Player 1 Settings", "Right", "205"), "99");
  EXPECT_EQ(again.GetSetting("General Settings", "Lives", "15"), "21");
  EXPECT_EQ(again.GetSetting("Player 2 Settings", "Name", ""), " J\xF6rg \"the\" \\ =[x]\n\t ");
  EXPECT_EQ(again.GetSetting("Odd ] section ", "key=with;stuff#", "d"), "");
  // Names are exact: other sections, case and blanks are different values.
  EXPECT_EQ(again.GetSetting("Player 2 Settings", "Right ", "x"), "x");
  EXPECT_EQ(again.GetSetting("General Settings", "lives", "x"), "x");
  EXPECT_EQ(again.GetSetting("General Settings ", "Lives", "x"), "x");
  // Nothing but the settings file is left in the folder.
  int files = 0;
  for (const auto& e : fs::directory_iterator(tmp.path() / "cfg")) {
    ++files;
    EXPECT_EQ(e.path().filename(), "krel.ini");
  }
  EXPECT_EQ(files, 1);
  // The file is plain ASCII text.
  for (char c : ReadFileBytes(path)) {
    EXPECT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7F)) << static_cast<int>(static_cast<unsigned char>(c));
  }
}

TEST(Settings, ADamagedFileKeepsWhatCanBeRead) {
  TempCwd tmp;
  const fs::path path = tmp.path() / "krel.ini";
  WriteFileBytes(path,
                 "stray=1\n"                              // 1: before any section
                 "[General Settings]\r\n"                 // 2: CRLF is fine
                 "\"Lives\"=\"20\"\n"                     // 3
                 "\"Loading\"=\"1\x00\x01\xff\n"          // 4: unterminated
                 "Regenerate = 0 \n"                      // 5: hand-edited, no quotes
                 "\"LAndC\" \"1\"\n"                      // 6: no '='
                 "\"Bad\"=\"\\q\"\n"                      // 7: unknown escape
                 "\"After\"=\"x\" junk\n"                 // 8: text after the value
                 "[Player 1 Settings\n"                   // 9: damaged header
                 "\"Name\"=\"lost\"\n"                    // 10: belongs nowhere
                 "\xff\xfe\x00garbage\n"                  // 11
                 "[\"Player 2 Settings\"]\n"              // 12: quoted header
                 "\"Name\"=\"Eve\"\n"                     // 13
                 "\"Name\"=\"Eva\"\n"s);                  // 14: the later line wins
  IniSettingsStore store(path.string());
  EXPECT_EQ(store.GetSetting("General Settings", "Lives", "15"), "20");
  EXPECT_EQ(store.GetSetting("General Settings", "Loading", "100"), "100");
  EXPECT_EQ(store.GetSetting("General Settings", "Regenerate", "1"), "0");
  EXPECT_EQ(store.GetSetting("General Settings", "LAndC", "1"), "1");
  EXPECT_EQ(store.GetSetting("General Settings", "Bad", "d"), "d");
  EXPECT_EQ(store.GetSetting("General Settings", "After", "d"), "d");
  EXPECT_EQ(store.GetSetting("Player 1 Settings", "Name", "Player 1"), "Player 1");
  EXPECT_EQ(store.GetSetting("Player 2 Settings", "Name", "Player 2"), "Eva");
  EXPECT_EQ(store.GetSetting("", "stray", "d"), "d");

  // Each problem names the file and its line.
  std::string all;
  for (const std::string& w : store.warnings()) all += w + "\n";
  for (int line : {1, 4, 6, 7, 8, 9, 11}) {
    EXPECT_NE(all.find(path.string() + ", line " + std::to_string(line) + ":"), std::string::npos)
        << "line " << line << " not reported in:\n" << all;
  }
  EXPECT_EQ(all.find(", line 3:"), std::string::npos);
  EXPECT_EQ(all.find(", line 10:"), std::string::npos);  // covered by the header's warning

  // Saving rewrites the file cleanly; the damage is gone, the values stay.
  store.SaveSetting("General Settings", "Loading", "55");
  IniSettingsStore again(path.string());
  EXPECT_TRUE(again.warnings().empty());
  EXPECT_EQ(again.GetSetting("General Settings", "Lives", "15"), "20");
  EXPECT_EQ(again.GetSetting("General Settings", "Loading", "100"), "55");
  EXPECT_EQ(again.GetSetting("Player 2 Settings", "Name", ""), "Eva");
}

TEST(Settings, UnreadableOrUnwritablePlacesDoNotStopTheGame) {
  TempCwd tmp;
  // A folder where the file should be: cannot be read, cannot be replaced.
  fs::create_directories(tmp.path() / "krel.ini");
  IniSettingsStore store((tmp.path() / "krel.ini").string());
  EXPECT_EQ(store.GetSetting("General Settings", "Lives", "15"), "15");
  store.SaveSetting("General Settings", "Lives", "30");
  EXPECT_FALSE(store.last_error().empty());
  // The value is kept for the rest of the run all the same.
  EXPECT_EQ(store.GetSetting("General Settings", "Lives", "15"), "30");
  // And no temporary file is left behind.
  int entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(tmp.path())) ++entries;
  EXPECT_EQ(entries, 1);

  // A folder that cannot be created.
  WriteFileBytes(tmp.path() / "plainfile", "x");
  IniSettingsStore nested((tmp.path() / "plainfile" / "krel" / "krel.ini").string());
  nested.SaveSetting("Network", "LastServer", "127.0.0.1");
  EXPECT_FALSE(nested.last_error().empty());
  EXPECT_EQ(nested.GetSetting("Network", "LastServer", ""), "127.0.0.1");
}

TEST(Settings, TheFileLivesInTheUsersConfigFolder) {
  ScopedEnv xdg("XDG_CONFIG_HOME", "/xdg/conf");
  ScopedEnv home("HOME", "/home/tester");
  {
    ScopedEnv dir("KREL_CONFIG_DIR", "/tmp/krel-here");
    EXPECT_EQ(IniSettingsStore::DefaultPath(), "/tmp/krel-here/krel.ini");
  }
  ScopedEnv no_dir("KREL_CONFIG_DIR", nullptr);
  EXPECT_EQ(IniSettingsStore::DefaultPath(), "/xdg/conf/krel/krel.ini");
  {
    // A relative XDG folder is to be ignored.
    ScopedEnv relative("XDG_CONFIG_HOME", "conf");
    EXPECT_EQ(IniSettingsStore::DefaultPath(), "/home/tester/.config/krel/krel.ini");
  }
  ScopedEnv no_xdg("XDG_CONFIG_HOME", nullptr);
  EXPECT_EQ(IniSettingsStore::DefaultPath(), "/home/tester/.config/krel/krel.ini");
}

}  // namespace
}  // namespace krel
