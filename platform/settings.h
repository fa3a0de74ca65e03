// The per-user settings store: text values under a section and a value name,
// for the application "krel", kept across program runs.
//
// The game reaches the store through the SettingsStore interface only (World
// holds a pointer to it), so the simulation library needs nothing of the file
// handling below and tests can give it a store of their own.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace krel {

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  // The stored text, or def when the value was never written (or could not
  // be read back).
  virtual std::string GetSetting(const std::string& section, const std::string& key, const std::string& def) = 0;
  virtual void SaveSetting(const std::string& section, const std::string& key, const std::string& value) = 0;

  // Saves between BeginSaves and the matching EndSaves may be kept back and
  // stored together at EndSaves, in the order they were made. Pairs nest.
  virtual void BeginSaves() {}
  virtual void EndSaves() {}
};

// One save sequence (quitting the menu, storing the last server): the store
// may write everything saved during its lifetime at once, at its end.
class SaveSequence {
 public:
  explicit SaveSequence(SettingsStore* store) : store_(store) {
    if (store_ != nullptr) store_->BeginSaves();
  }
  ~SaveSequence() {
    if (store_ != nullptr) store_->EndSaves();
  }
  SaveSequence(const SaveSequence&) = delete;
  SaveSequence& operator=(const SaveSequence&) = delete;

 private:
  SettingsStore* store_;
};

// The store as an INI file, krel.ini in the user's configuration folder.
//
// The file is UTF-8; the game's text is in its single-byte code page, so
// names and values are converted both ways (a character the code page lacks
// reads as "?"). Names and values are written in double quotes with
// backslash escapes, so a value name with a trailing blank (player 1's
// "Right ") stays distinct from the one without; \xHH stands for the game's
// byte HH itself and carries control characters and bytes without a
// character. Hand-edited lines without quotes are read too (with surrounding
// blanks trimmed).
//
// A damaged file never stops the game: lines that cannot be read are skipped
// (and listed in warnings()), so their values take the defaults. Since the
// next save would lose them, the file as it was is first kept as krel.ini.bak.
// Every save rewrites the whole file through a temporary file and a rename,
// so a crash leaves either the old file or the new one, never half of one;
// inside a save sequence that happens once, at its end. A krel.ini that is a
// symbolic link is saved into the file it names (the link stays), and the
// file keeps its permissions.
class IniSettingsStore : public SettingsStore {
 public:
  // Reads the file at path if it exists.
  explicit IniSettingsStore(std::string path);

  // $KREL_CONFIG_DIR/krel.ini if set, else $XDG_CONFIG_HOME/krel/krel.ini,
  // else ~/.config/krel/krel.ini (HOME from the environment, else the
  // password database). Empty when none of them can be determined.
  static std::string DefaultPath();

  std::string GetSetting(const std::string& section, const std::string& key, const std::string& def) override;
  void SaveSetting(const std::string& section, const std::string& key, const std::string& value) override;
  void BeginSaves() override;
  void EndSaves() override;

  const std::string& path() const { return path_; }
  // Problems met while reading, each naming the file and line.
  const std::vector<std::string>& warnings() const { return warnings_; }
  // Why the last save failed; empty after a successful one.
  const std::string& last_error() const { return last_error_; }
  // How many times the settings file has been replaced so far.
  int files_written() const { return files_written_; }

  // The file's text for the current contents (what a save writes).
  std::string Serialize() const;
  // Replaces the contents with what text holds; unreadable lines become
  // warnings naming origin and line.
  void Parse(const std::string& text, const std::string& origin);

 private:
  // Writes the contents to the file (keeping the damaged original first) and
  // reports a failure once.
  void Store();

  std::string path_;
  // Sections and their values in the order they were first seen, so that a
  // save keeps the file's layout stable.
  std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>> sections_;
  std::vector<std::string> warnings_;
  std::string last_error_;
  int files_written_ = 0;
  int sequence_depth_ = 0;
  bool unsaved_ = false;
  // The file's text as read, while it had unreadable lines and has not yet
  // been kept as the backup.
  std::optional<std::string> damaged_original_;
};

}  // namespace krel
