// The per-user settings store: text values under a section and a value name,
// for the application "krel", kept across program runs.
//
// The game reaches the store through the SettingsStore interface only (World
// holds a pointer to it), so the simulation library needs nothing of the file
// handling below and tests can give it a store of their own.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace krel {

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  // The stored text, or def when the value was never written (or could not
  // be read back).
  virtual std::string GetSetting(const std::string& section, const std::string& key,
                                 const std::string& def) = 0;
  virtual void SaveSetting(const std::string& section, const std::string& key,
                           const std::string& value) = 0;
};

// The store as an INI file, krel.ini in the user's configuration folder.
//
// Names and values are written in double quotes with backslash escapes, so a
// value name with a trailing blank (player 1's "Right ") stays distinct from
// the one without, and any byte survives the round trip. Hand-edited lines
// without quotes are read too (with surrounding blanks trimmed).
//
// A damaged file never stops the game: lines that cannot be read are skipped
// (and listed in warnings()), so their values take the defaults. Every save
// rewrites the whole file through a temporary file and a rename, so a crash
// leaves either the old file or the new one, never half of one.
class IniSettingsStore : public SettingsStore {
 public:
  // Reads the file at path if it exists.
  explicit IniSettingsStore(std::string path);

  // $KREL_CONFIG_DIR/krel.ini if set, else $XDG_CONFIG_HOME/krel/krel.ini,
  // else ~/.config/krel/krel.ini (HOME from the environment, else the
  // password database). Empty when none of them can be determined.
  static std::string DefaultPath();

  std::string GetSetting(const std::string& section, const std::string& key,
                         const std::string& def) override;
  void SaveSetting(const std::string& section, const std::string& key, const std::string& value) override;

  const std::string& path() const { return path_; }
  // Problems met while reading, each naming the file and line.
  const std::vector<std::string>& warnings() const { return warnings_; }
  // Why the last save failed; empty after a successful one.
  const std::string& last_error() const { return last_error_; }

  // The file's text for the current contents (what a save writes).
  std::string Serialize() const;
  // Replaces the contents with what text holds; unreadable lines become
  // warnings naming origin and line.
  void Parse(const std::string& text, const std::string& origin);

 private:
  bool WriteFile(std::string& error) const;

  std::string path_;
  // Sections and their values in the order they were first seen, so that a
  // save keeps the file's layout stable.
  std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>> sections_;
  std::vector<std::string> warnings_;
  std::string last_error_;
};

}  // namespace krel
