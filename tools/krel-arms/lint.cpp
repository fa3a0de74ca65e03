#include "tools/krel-arms/lint.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "client/simulation/weapons/arms.h"
#include "client/simulation/weapons/arms_fields.h"
#include "client/simulation/weapons/arms_values.h"

namespace krel {
namespace {

enum Section { kWeapons, kObjects, kSpecial };

constexpr const char* kSectionNoun[] = {"a weapon key", "an object key", "a special-object key"};

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Levenshtein distance between two keys, letters compared without case.
int KeyDistance(std::string_view a, std::string_view b) {
  std::vector<int> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = static_cast<int>(j);
  for (std::size_t i = 1; i <= a.size(); ++i) {
    int diagonal = row[0];
    row[0] = static_cast<int>(i);
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const int above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (Upper(a[i - 1]) == Upper(b[j - 1]) ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

std::vector<std::string_view> KeysOf(Section s) {
  std::vector<std::string_view> keys;
  if (s == kWeapons) {
    keys = {"ORDER", "NAME", "OBJECT"};
    for (const auto& f : kWeaponFields) keys.push_back(f.key);
  } else if (s == kObjects) {
    keys = {"OBJECT", "SOBJECT"};
    for (const auto& f : kObjFields) keys.push_back(f.key);
  } else {
    keys = {"SOBJECT"};
    for (const auto& f : kSObjFields) keys.push_back(f.key);
  }
  return keys;
}

// The key that key most likely was meant to be, or empty: one that differs
// only in case, or by at most two letters (one for keys of four letters or
// fewer, where two would match unrelated words).
std::string_view Suggestion(std::string_view key, const std::vector<std::string_view>& keys) {
  std::string_view best;
  int best_distance = 3;
  for (std::string_view k : keys) {
    const int d = KeyDistance(key, k);
    const int allowed = k.size() <= 4 ? 1 : 2;
    if (d <= allowed && d < best_distance) {
      best = k;
      best_distance = d;
    }
  }
  return best;
}

// A sprite number of the drawing code names a cell that has a picture: the
// three sheets hold 110, 130 and 30 cells at numbers 0, 200 and 400.
bool SpriteHasPicture(long nr) { return (nr >= 0 && nr < 110) || (nr >= 200 && nr < 330) || (nr >= 400 && nr < 430); }

class Linter {
 public:
  Linter(const WeaponTable& w, const ObjTable& o, const SObjTable& s) : w_(w), o_(o), s_(s) {}

  void ReadLines(std::string_view bytes) {
    Section section = kWeapons;
    long slot = 0;
    for (const ArmsLine& line : SplitArmsLines(bytes)) {
      const std::size_t colon = line.text.find(':');
      if (line.text.empty() || colon == std::string_view::npos) continue;
      const std::string_view key = line.text.substr(0, colon);
      if (section == kWeapons && key == "OBJECT") {
        std::tie(section, slot) = std::tuple(kObjects, 1L);
      } else if (section == kObjects && key == "SOBJECT") {
        std::tie(section, slot) = std::tuple(kSpecial, 1L);
      } else if ((section == kObjects && key == "OBJECT") || (section == kSpecial && key == "SOBJECT")) {
        slot = std::min(slot + 1, 1'000'000L);
      } else if (section == kWeapons && key == "ORDER") {
        // As the loader selects the slot: the value less 1, rounded half to
        // even, plus 1 (the file loaded, so it is in range).
        slot = static_cast<long>(RoundHalfEven(ParseLenient(line.text.substr(colon + 1)) - 1.0)) + 1;
      } else {
        const std::vector<std::string_view> keys = KeysOf(section);
        if (std::find(keys.begin(), keys.end(), key) != keys.end()) {
          lines_[{section, slot, std::string(key)}] = line.number;
        } else if (key.substr(0, 4) != "NOTE") {
          if (std::string_view s = Suggestion(key, keys); !s.empty()) {
            Warn(line.number,
                 std::string(key) + " is not " + kSectionNoun[section] + "; did you mean " + std::string(s) + "?");
          }
        }
      }
    }
  }

  void CheckValues() {
    for (int s = 0; s < kWeaponSlots; ++s) {
      const WeaponDef& d = w_[static_cast<std::size_t>(s)];
      if (!SlotInUse(d)) continue;
      Owner o{kWeapons, s, WeaponLabel(s) + (d.NAME.empty() ? "" : " (" + d.NAME + ")")};
      Sound(o, "SOUNDLAUNCH", d.SOUNDLAUNCH);
      Sound(o, "SOUNDEXPLODE", d.SOUNDEXPLODE);
      Obj(o, "PTRAILPTYPE", d.PTRAILPTYPE);
      if (d.SPLINTERAMOUNT > 0) Obj(o, "SPLINTERTYPE", d.SPLINTERTYPE);
      SObj(o, "CREATEONHIT", d.CREATEONHIT);
      SObj(o, "OTRAILTYPE", d.OTRAILTYPE);
      if (d.LEAVESHELLS != 0 && !SlotInUse(o_[8]))
        At(o, "LEAVESHELLS", "drops object 8 as its shell, but object 8 is empty");
      if (s > 0) WeaponCells(o, d);
    }
    for (int s = 1; s < kObjSlots; ++s) {
      const ObjDef& d = o_[static_cast<std::size_t>(s)];
      if (!SlotInUse(d)) continue;
      Owner o{kObjects, s, "object " + std::to_string(s)};
      SObj(o, "CREATEONHIT", d.CREATEONHIT);
      SObj(o, "OTRAILTYPE", d.OTRAILTYPE);
      if (d.SPLINTERAMOUNT > 0) Obj(o, "SPLINTERTYPE", d.SPLINTERTYPE);
      SplinterChain(o, s);
      if (d.ANIMSFRAME != 0 && d.ANIMFRAMES != 0) {
        const int n = std::abs(int{d.ANIMFRAMES});
        Cells(o, 200, d.ANIMSFRAME + 1, d.ANIMSFRAME + n, "GFX8");
      } else if (d.ANIMSFRAME != 0 || d.DRAWOBJECT != 0) {
        Cells(o, 200, d.ANIMSFRAME, d.ANIMSFRAME, "GFX8");
      }
    }
    for (int s = 1; s < kSObjSlots; ++s) {
      const SObjDef& d = s_[static_cast<std::size_t>(s)];
      if (!SlotInUse(d)) continue;
      Owner o{kSpecial, s, "special object " + std::to_string(s)};
      if (d.FIRSTSOUND != 0) {
        const int last = d.FIRSTSOUND + std::max(1, int{d.NUMSOUNDS}) - 1;
        if (d.FIRSTSOUND < 1 || last > 30) {
          At(o, "FIRSTSOUND", "plays sounds " + Range(d.FIRSTSOUND, last) + ", but sound numbers are 1-30");
        }
      }
      Cells(o, 0, d.ANIMSFRAME, d.ANIMSFRAME + std::max(1, int{d.ANIMFRAMES}) - 1, "GFX16");
    }
  }

  // By line, the file-wide ones (line 0) first.
  std::vector<std::string> Warnings() {
    std::stable_sort(warnings_.begin(), warnings_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> out;
    for (auto& [line, text] : warnings_) out.push_back(std::move(text));
    return out;
  }

 private:
  struct Owner {
    Section section;
    int slot;
    std::string name;
  };

  static std::string Range(long a, long b) {
    return a == b ? std::to_string(a) : std::to_string(a) + "-" + std::to_string(b);
  }

  void Warn(int line, const std::string& what) {
    warnings_.emplace_back(line, line > 0 ? "line " + std::to_string(line) + ": " + what : what);
  }
  void At(const Owner& o, const char* key, const std::string& what) {
    auto it = lines_.find({o.section, o.slot, key});
    Warn(it != lines_.end() ? it->second : 0, o.name + ": " + key + " " + what);
  }

  void Sound(const Owner& o, const char* key, int16 v) {
    if (v != 0 && (v < 1 || v > 30)) At(o, key, std::to_string(v) + " is not a sound number (1-30; 0 is none)");
  }
  void Obj(const Owner& o, const char* key, int16 v) {
    if (v == 0) return;
    if (v < 1 || v >= kObjSlots)
      At(o, key, std::to_string(v) + " is not an object number (1-30)");
    else if (!SlotInUse(o_[static_cast<std::size_t>(v)]))
      At(o, key, std::to_string(v) + " names an empty object slot");
  }
  void SObj(const Owner& o, const char* key, int16 v) {
    if (v == 0) return;
    if (v < 1 || v >= kSObjSlots)
      At(o, key, std::to_string(v) + " is not a special-object number (1-20)");
    else if (!SlotInUse(s_[static_cast<std::size_t>(v)]))
      At(o, key, std::to_string(v) + " names an empty special-object slot");
  }

  // Sprite numbers base + first .. base + last are drawn; each needs a cell.
  void Cells(const Owner& o, long base, long first, long last, const char* sheet) {
    for (long c = first; c <= last; ++c) {
      if (SpriteHasPicture(base + c)) continue;
      At(o, "ANIMSFRAME",
         "shows " + std::string(sheet) + " cells " + Range(first, last) + ", but cell " + std::to_string(c) +
             " has no picture (" + sheet + (base == 0 ? " cells are 0-109)" : " cells are 0-129)"));
      return;
    }
  }

  // The object that an exploding object s throws as splinters, or 0 when it
  // throws none or never explodes.
  int SplinterOf(int s) const {
    const ObjDef& d = o_[static_cast<std::size_t>(s)];
    const bool explodes = d.GROUNDREMOVE == 1 || d.WORMEXPLODE == 1 || d.TIMETOEXPLODE != 0;
    if (!explodes || d.SPLINTERAMOUNT <= 0 || d.SPLINTERTYPE < 1 || d.SPLINTERTYPE >= kObjSlots) return 0;
    return d.SPLINTERTYPE;
  }

  // An object whose explosion throws itself again, directly or through other
  // objects, never dies out: with more than one splinter each round it fills
  // the game's object table within seconds. Said once per chain, at its
  // lowest object.
  void SplinterChain(const Owner& o, int s) {
    std::vector<int> chain{s};
    for (int next = SplinterOf(s); next != 0 && chain.size() <= static_cast<std::size_t>(kObjSlots);
         next = SplinterOf(next)) {
      if (next == s) {
        if (*std::min_element(chain.begin(), chain.end()) != s) return;
        std::string path;
        for (int c : chain) path += std::to_string(c) + " -> ";
        At(o, "SPLINTERTYPE",
           chain.size() == 1 ? "makes the object splinter into itself: every explosion throws new copies, "
                               "so they never die out"
                             : "starts a chain of splinters that comes back to the object (" + path +
                                   std::to_string(s) + "): every explosion throws new copies, so they never die out");
        return;
      }
      chain.push_back(next);
    }
  }

  // The cells a shot of the weapon is drawn with, by its flight kind.
  void WeaponCells(const Owner& o, const WeaponDef& d) {
    const long s = d.ANIMSFRAME;
    switch (d.SHOTTYPE) {
      case 0:
      case 4:
        if (d.SHOTTYPE == 4 && d.SHADOW == 0) return;  // a beam: a line, no sprite
        if (s == -1) return;                           // a dot
        if (d.ANIMFRAMES != 0)
          Cells(o, 200, std::min(s, s + d.ANIMFRAMES), std::max(s, s + d.ANIMFRAMES), "GFX8");
        else if (s != 100)
          Cells(o, 200, s, s, "GFX8");
        return;
      case 2: Cells(o, 200, s, s + 16, "GFX8"); return;  // 17 directions
      case 1:
      case 3: Cells(o, 200, s, s + 14, "GFX8"); return;  // 15 directions
      default: return;                                   // not drawn at all
    }
  }

  const WeaponTable& w_;
  const ObjTable& o_;
  const SObjTable& s_;
  // The line that last set each key of each slot.
  std::map<std::tuple<int, long, std::string>, int> lines_;
  std::vector<std::pair<int, std::string>> warnings_;
};

}  // namespace

std::vector<std::string> LintArms(std::string_view bytes, const WeaponTable& weapons, const ObjTable& objs,
                                  const SObjTable& sobjs) {
  Linter l(weapons, objs, sobjs);
  l.ReadLines(bytes);
  l.CheckValues();
  return l.Warnings();
}

}  // namespace krel
