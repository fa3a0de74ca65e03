#include "platform/settings.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <unordered_map>

#include "gfx/codepage.h"
#include "protocol/base/file_output.h"
#include "protocol/base/printable.h"

namespace krel {

namespace {

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trim(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The file's text (UTF-8) as the game's text.
std::string FromFile(const std::string& utf8) { return Utf8ToCp1252(utf8, '?'); }

// Reads a double-quoted string starting at line[pos] == '"'. On success pos
// is just past the closing quote. Plain characters are UTF-8; an escape
// stands for one byte of the game's text.
bool ReadQuoted(const std::string& line, std::size_t& pos, std::string& out, std::string& why) {
  out.clear();
  std::string plain;
  auto flush = [&] {
    out += FromFile(plain);
    plain.clear();
  };
  ++pos;
  while (pos < line.size()) {
    char c = line[pos++];
    if (c == '"') {
      flush();
      return true;
    }
    if (c != '\\') {
      plain += c;
      continue;
    }
    flush();
    if (pos >= line.size()) break;
    char e = line[pos++];
    switch (e) {
      case '"': out += '"'; break;
      case '\\': out += '\\'; break;
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 't': out += '\t'; break;
      case 'x': {
        int hi = pos < line.size() ? HexDigit(line[pos]) : -1;
        int lo = pos + 1 < line.size() ? HexDigit(line[pos + 1]) : -1;
        if (hi < 0 || lo < 0) {
          why = "\\x needs two hex digits";
          return false;
        }
        out += static_cast<char>(hi * 16 + lo);
        pos += 2;
        break;
      }
      default: why = "unknown escape \\" + Printable(std::string_view(&e, 1)); return false;
    }
  }
  why = "missing closing quote";
  return false;
}

std::string Quote(const std::string& s) {
  static const char* kHex = "0123456789ABCDEF";
  std::string out = "\"";
  for (char ch : s) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += ch;
    } else if (c < 0x20 || c == 0x7F || (c >= 0x80 && Cp1252ToCodePoint(c) < 0xA0)) {
      // Control characters, and the bytes the code page leaves undefined.
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else if (c >= 0x80) {
      out += Cp1252ToUtf8(std::string_view(&ch, 1));
    } else {
      out += ch;
    }
  }
  out += '"';
  return out;
}

// A section name can be written bare when reading it back bare gives it
// unchanged.
bool BareSectionOk(const std::string& s) {
  if (s.empty() || IsBlank(s.front()) || IsBlank(s.back()) || s.front() == '"') return false;
  for (char ch : s) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c >= 0x7F || c == ']' || c == '\\') return false;
  }
  return true;
}

bool OnlyBlanksFrom(const std::string& line, std::size_t pos) {
  for (; pos < line.size(); ++pos) {
    if (!IsBlank(line[pos])) return false;
  }
  return true;
}

// Replaces the settings file (the file a link there names) with text, whole
// or not at all; an existing file keeps its permissions (a private 0600
// file stays private).
bool WriteAtomically(const std::string& path, const std::string& text, std::string& error) {
  return WriteWholeFile(path, text, error, {.make_folders = true, .new_file_mode = 0644});
}

}  // namespace

IniSettingsStore::IniSettingsStore(std::string path) : path_(std::move(path)) {
  if (path_.empty()) {
    warnings_.push_back("no settings folder could be determined; settings will not be kept");
    return;
  }
  std::ifstream in(path_, std::ios::binary);
  if (!in) {
    std::error_code ec;
    if (std::filesystem::exists(path_, ec))
      warnings_.push_back(path_ + ": cannot be read (" + std::strerror(errno) + "); using defaults");
    return;
  }
  std::ostringstream text;
  text << in.rdbuf();
  Parse(text.str(), path_);
  if (!warnings_.empty()) damaged_original_ = text.str();
}

std::string IniSettingsStore::DefaultPath() {
  std::string dir = Env("KREL_CONFIG_DIR");
  if (!dir.empty()) return dir + "/krel.ini";
  std::string xdg = Env("XDG_CONFIG_HOME");
  // Relative XDG paths are to be ignored.
  if (!xdg.empty() && xdg.front() == '/') return xdg + "/krel/krel.ini";
  std::string home = Env("HOME");
  if (home.empty()) {
    if (const passwd* pw = getpwuid(getuid()); pw != nullptr && pw->pw_dir != nullptr) home = pw->pw_dir;
  }
  if (home.empty()) return {};
  return home + "/.config/krel/krel.ini";
}

void IniSettingsStore::Parse(const std::string& text, const std::string& origin) {
  sections_.clear();
  // Index of the section values go to; -1 before any header or after a
  // damaged one, whose values cannot be trusted to belong anywhere.
  long current = -1;
  bool header_damaged = false;
  // Where each section and each value already stands, so that a file of
  // many values loads in time proportional to its size.
  std::unordered_map<std::string, std::size_t> section_at;
  std::vector<std::unordered_map<std::string, std::size_t>> value_at;
  std::istringstream in(text);
  std::string line;
  int lineno = 0;
  auto warn = [&](const std::string& what) {
    warnings_.push_back(origin + ", line " + std::to_string(lineno) + ": " + what);
  };
  while (std::getline(in, line)) {
    ++lineno;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::size_t pos = 0;
    while (pos < line.size() && IsBlank(line[pos])) ++pos;
    if (pos == line.size() || line[pos] == ';' || line[pos] == '#') continue;

    if (line[pos] == '[') {
      ++pos;
      while (pos < line.size() && IsBlank(line[pos])) ++pos;
      std::string name, why;
      bool ok;
      if (pos < line.size() && line[pos] == '"') {
        ok = ReadQuoted(line, pos, name, why);
        while (ok && pos < line.size() && IsBlank(line[pos])) ++pos;
        if (ok && (pos >= line.size() || line[pos] != ']')) {
          ok = false;
          why = "missing ]";
        }
      } else {
        std::size_t close = line.find(']', pos);
        ok = close != std::string::npos;
        if (ok) {
          name = FromFile(Trim(line.substr(pos, close - pos)));
          pos = close;
        } else {
          why = "missing ]";
        }
      }
      if (ok && !OnlyBlanksFrom(line, pos + 1)) {
        ok = false;
        why = "text after ]";
      }
      if (!ok) {
        warn("unreadable section header (" + why + "); its values are ignored");
        current = -1;
        header_damaged = true;
        continue;
      }
      header_damaged = false;
      auto [at, added] = section_at.emplace(name, sections_.size());
      if (added) {
        sections_.push_back({name, {}});
        value_at.emplace_back();
      }
      current = static_cast<long>(at->second);
      continue;
    }

    std::string key, value, why;
    bool ok = true;
    if (line[pos] == '"') {
      ok = ReadQuoted(line, pos, key, why);
      while (ok && pos < line.size() && IsBlank(line[pos])) ++pos;
      if (ok && (pos >= line.size() || line[pos] != '=')) {
        ok = false;
        why = "missing =";
      }
    } else {
      std::size_t eq = line.find('=', pos);
      if (eq == std::string::npos) {
        ok = false;
        why = "missing =";
      } else {
        key = FromFile(Trim(line.substr(pos, eq - pos)));
        pos = eq;
      }
    }
    if (ok) {
      ++pos;  // past '='
      while (pos < line.size() && IsBlank(line[pos])) ++pos;
      if (pos < line.size() && line[pos] == '"') {
        ok = ReadQuoted(line, pos, value, why);
        if (ok && !OnlyBlanksFrom(line, pos)) {
          ok = false;
          why = "text after the closing quote";
        }
      } else {
        value = FromFile(Trim(line.substr(pos)));
      }
    }
    if (!ok) {
      warn("unreadable value (" + why + "); it takes its default");
      continue;
    }
    if (current < 0) {
      if (!header_damaged) warn("value outside any [section]; ignored");
      continue;
    }
    auto& values = sections_[static_cast<std::size_t>(current)].second;
    auto [at, added] = value_at[static_cast<std::size_t>(current)].emplace(key, values.size());
    if (added)
      values.emplace_back(key, value);
    else
      values[at->second].second = value;  // a later line wins, as an editor would expect
  }
}

std::string IniSettingsStore::GetSetting(const std::string& section, const std::string& key, const std::string& def) {
  for (const auto& s : sections_) {
    if (s.first != section) continue;
    for (const auto& kv : s.second) {
      if (kv.first == key) return kv.second;
    }
  }
  return def;
}

void IniSettingsStore::SaveSetting(const std::string& section, const std::string& key, const std::string& value) {
  std::vector<std::pair<std::string, std::string>>* values = nullptr;
  for (auto& s : sections_) {
    if (s.first == section) values = &s.second;
  }
  if (values == nullptr) {
    sections_.push_back({section, {}});
    values = &sections_.back().second;
  }
  bool found = false;
  for (auto& kv : *values) {
    if (kv.first == key) {
      kv.second = value;
      found = true;
    }
  }
  if (!found) values->emplace_back(key, value);

  if (sequence_depth_ > 0) {
    unsaved_ = true;
    return;
  }
  Store();
}

void IniSettingsStore::BeginSaves() { ++sequence_depth_; }

void IniSettingsStore::EndSaves() {
  if (sequence_depth_ > 0 && --sequence_depth_ == 0 && unsaved_) Store();
}

void IniSettingsStore::Store() {
  unsaved_ = false;
  if (path_.empty()) return;  // nowhere to keep them; the run still works
  std::string error;
  bool ok = true;
  if (damaged_original_) {
    // Values on unreadable lines are not in the new text: keep the file as
    // its author left it, or do not replace it at all.
    const std::string backup = path_ + ".bak";
    ok = WriteAtomically(backup, *damaged_original_, error);
    if (ok) {
      std::cerr << "krel: settings: " << path_ << " has lines that cannot be read; the file as it was is kept as "
                << backup << "\n";
      damaged_original_.reset();
    }
  }
  if (ok) ok = WriteAtomically(path_, Serialize(), error);
  if (ok) {
    ++files_written_;
    last_error_.clear();
  } else if (error != last_error_) {
    // Said once per distinct failure rather than once per value.
    std::cerr << "krel: settings not saved: " << error << "\n";
    last_error_ = error;
  }
}

std::string IniSettingsStore::Serialize() const {
  std::string out =
      "; Krel settings (UTF-8). Names and values are in double quotes; inside them \\\" is a quote,\n"
      "; \\\\ a backslash and \\xHH the game's byte HH.\n";
  for (const auto& s : sections_) {
    out += "\n[";
    out += BareSectionOk(s.first) ? s.first : Quote(s.first);
    out += "]\n";
    for (const auto& kv : s.second) out += Quote(kv.first) + "=" + Quote(kv.second) + "\n";
  }
  return out;
}

}  // namespace krel
