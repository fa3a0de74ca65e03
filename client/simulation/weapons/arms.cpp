#include "client/simulation/weapons/arms.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "client/simulation/weapons/arms_fields.h"
#include "client/simulation/weapons/arms_values.h"
#include "client/simulation/worms/motion.h"

namespace krel {
namespace {

constexpr const char* kOrderRange = "ORDER must lie between 0 and 41 (ORDER:0 sets the bonus crates)";

// The shipped file is a few dozen kilobytes; anything this large is not a
// weapon file, and reading it whole could exhaust memory.
constexpr std::size_t kMaxFileBytes = 64u << 20;
// Slot counters stop here rather than overflow; any count this high is far
// beyond every table anyway.
constexpr int kSlotCountLimit = 1'000'000'000;

enum class Section { kWeapons, kObjects, kSpecial };

template <std::size_t N>
constexpr int FieldIndex(const std::array<FieldSpec<WeaponDef>, N>& fields, std::string_view key) {
  for (std::size_t i = 0; i < N; ++i)
    if (fields[i].key == key) return static_cast<int>(i);
  return -1;
}
template <std::size_t N>
constexpr int FieldIndex(const std::array<FieldSpec<ObjDef>, N>& fields, std::string_view key) {
  for (std::size_t i = 0; i < N; ++i)
    if (fields[i].key == key) return static_cast<int>(i);
  return -1;
}

constexpr int kWPtrailDelay = FieldIndex(kWeaponFields, "PTRAILDELAY");
constexpr int kWPtrailPtype = FieldIndex(kWeaponFields, "PTRAILPTYPE");
constexpr int kWOtrailDelay = FieldIndex(kWeaponFields, "OTRAILDELAY");
constexpr int kWOtrailType = FieldIndex(kWeaponFields, "OTRAILTYPE");
constexpr int kOOtrailDelay = FieldIndex(kObjFields, "OTRAILDELAY");
constexpr int kOOtrailType = FieldIndex(kObjFields, "OTRAILTYPE");
static_assert(kWPtrailDelay >= 0 && kWPtrailPtype >= 0 && kWOtrailDelay >= 0 && kWOtrailType >= 0 &&
              kOOtrailDelay >= 0 && kOOtrailType >= 0);

// Reads one file's lines into the tables. Remembers on which line every
// field was last set, so that the checks after the last line can point at it.
class Loader {
 public:
  Loader(const std::string& name, WeaponTable& weapons, ObjTable& objs, SObjTable& sobjs, ArmsError& error)
      : name_(name), weapons_(weapons), objs_(objs), sobjs_(sobjs), error_(error) {}

  bool Run(std::string_view data) {
    for (const ArmsLine& line : SplitArmsLines(data)) {
      line_ = &line;
      if (line.text.empty()) continue;
      std::size_t colon = line.text.find(':');
      if (colon == std::string_view::npos) {
        return Fail("", "the line " + QuoteForMessage(line.text) +
                            " has no colon; every line must be KEY:VALUE (to write a comment, "
                            "use a key the game does not know, e.g. REM:your text)");
      }
      std::string_view key = line.text.substr(0, colon);
      std::string_view value = line.text.substr(colon + 1);
      bool ok = true;
      switch (section_) {
        case Section::kWeapons: ok = WeaponLine(key, value); break;
        case Section::kObjects: ok = ObjectLine(key, value); break;
        case Section::kSpecial: ok = SpecialLine(key, value); break;
      }
      if (!ok) return false;
    }
    line_ = nullptr;
    // The weapon current at the end of its section is deliberately not
    // finalised: only a following ORDER line does that.
    return CheckTrails();
  }

 private:
  bool WeaponLine(std::string_view key, std::string_view value) {
    if (key == "OBJECT") {
      section_ = Section::kObjects;
      obj_slot_ = 1;
      obj_slot_line_ = line_->number;
      return true;
    }
    if (key == "ORDER") {
      if (weapon_slot_ != 0) {
        if (!WeaponSlotValid()) {
          return Fail(key, "weapon " + std::to_string(weapon_slot_) + ", started by ORDER on line " +
                               std::to_string(order_line_) + ", cannot be completed: " + kOrderRange);
        }
        Finalise(weapons_[weapon_slot_]);
      }
      const double v = ParseLenient(value);
      if (!ToInt16Checked(v)) return Fail(key, QuoteForMessage(value) + " is outside -32768..32767");
      // Slot = the value less 1, rounded half to even, plus 1: ORDER:2.5
      // selects 3, and so does ORDER:3.5.
      weapon_slot_ = static_cast<int>(RoundHalfEven(v - 1.0)) + 1;
      order_line_ = line_->number;
      return true;
    }
    if (key == "NAME") {
      if (!WeaponSlotValid()) return WeaponSlotError(key);
      weapons_[weapon_slot_].NAME = std::string(value);
      return true;
    }
    const FieldSpec<WeaponDef>* f = FindField(kWeaponFields, key);
    if (f == nullptr) return true;  // unknown keys are comments
    if (!WeaponSlotValid()) return WeaponSlotError(key);
    if (!Store(weapons_[weapon_slot_].*(f->member), f->form, key, value)) return false;
    weapon_lines_[weapon_slot_][f - kWeaponFields.data()] = line_->number;
    return true;
  }

  bool ObjectLine(std::string_view key, std::string_view value) {
    if (key == "SOBJECT") {
      section_ = Section::kSpecial;
      sobj_slot_ = 1;
      sobj_slot_line_ = line_->number;
      return true;
    }
    if (key == "OBJECT") {
      if (obj_slot_ < kSlotCountLimit) ++obj_slot_;
      obj_slot_line_ = line_->number;
      return true;
    }
    const FieldSpec<ObjDef>* f = FindField(kObjFields, key);
    if (f == nullptr) return true;
    if (obj_slot_ >= kObjSlots) {
      return Fail(key, "there are only 30 objects, but the OBJECT line on line " + std::to_string(obj_slot_line_) +
                           " starts object " + std::to_string(obj_slot_) + "; remove OBJECT lines or merge objects");
    }
    if (!Store(objs_[obj_slot_].*(f->member), f->form, key, value)) return false;
    obj_lines_[obj_slot_][f - kObjFields.data()] = line_->number;
    return true;
  }

  bool SpecialLine(std::string_view key, std::string_view value) {
    if (key == "SOBJECT") {
      if (sobj_slot_ < kSlotCountLimit) ++sobj_slot_;
      sobj_slot_line_ = line_->number;
      return true;
    }
    const FieldSpec<SObjDef>* f = FindField(kSObjFields, key);
    if (f == nullptr) return true;
    if (sobj_slot_ >= kSObjSlots) {
      return Fail(key, "there are only 20 special objects, but the SOBJECT line on line " +
                           std::to_string(sobj_slot_line_) + " starts special object " + std::to_string(sobj_slot_) +
                           "; remove SOBJECT lines or merge them");
    }
    return Store(sobjs_[sobj_slot_].*(f->member), f->form, key, value);
  }

  bool Store(int16& field, ValueForm form, std::string_view key, std::string_view value) {
    std::string problem;
    std::optional<int16> v = ConvertValue(form, value, problem);
    if (!v) return Fail(key, problem);
    field = *v;
    return true;
  }

  bool WeaponSlotValid() const { return weapon_slot_ >= 0 && weapon_slot_ < kWeaponSlots; }

  bool WeaponSlotError(std::string_view key) {
    return Fail(key, "ORDER on line " + std::to_string(order_line_) + " started weapon " +
                         std::to_string(weapon_slot_) + ", but " + kOrderRange);
  }

  // An instant weapon: drawn as a beam and crossing the level in one frame.
  static void Finalise(WeaponDef& w) {
    if (w.SHOTTYPE == 4 && w.SHADOW == 0) w.SPEED = kBeamSpeed;
  }

  // A trail appears every delay × 5 movement steps. A trail whose delay is
  // below 1 would divide by zero or never appear sensibly, and a period that
  // does not fit in 16 bits would overflow in the simulation; both are the
  // file's mistake, so they are reported here rather than met mid-game.
  bool CheckTrails() {
    for (int s = 0; s < kWeaponSlots; ++s) {
      const WeaponDef& w = weapons_[s];
      const std::string what = WeaponLabel(s);
      if (!CheckTrail(what, w.PTRAILPTYPE, w.PTRAILDELAY, weapon_lines_[s][kWPtrailPtype],
                      weapon_lines_[s][kWPtrailDelay], kWeaponFields[kWPtrailPtype].key,
                      kWeaponFields[kWPtrailDelay].key))
        return false;
      if (!CheckTrail(what, w.OTRAILTYPE, w.OTRAILDELAY, weapon_lines_[s][kWOtrailType],
                      weapon_lines_[s][kWOtrailDelay], kWeaponFields[kWOtrailType].key,
                      kWeaponFields[kWOtrailDelay].key))
        return false;
    }
    for (int s = 1; s < kObjSlots; ++s) {
      const ObjDef& o = objs_[s];
      if (!CheckTrail("object " + std::to_string(s), o.OTRAILTYPE, o.OTRAILDELAY, obj_lines_[s][kOOtrailType],
                      obj_lines_[s][kOOtrailDelay], kObjFields[kOOtrailType].key, kObjFields[kOOtrailDelay].key))
        return false;
    }
    return true;
  }

  bool CheckTrail(const std::string& owner, int16 type, int16 delay, int type_line, int delay_line,
                  std::string_view type_key, std::string_view delay_key) {
    const int period = delay * 5;
    if (period < -32768 || period > 32767) {
      return FailAt(delay_line, delay_key,
                    owner + " stores " + std::string(delay_key) + " " + std::to_string(delay) +
                        "; the trail period of " + std::to_string(period) +
                        " steps (5 × the delay) does not fit in 16 bits, so the stored delay "
                        "must lie between -6553 and 6553");
    }
    if (type != 0 && delay < 1) {
      const bool set = delay_line != 0;
      return FailAt(set ? delay_line : type_line, set ? delay_key : type_key,
                    owner + " has a trail (" + std::string(type_key) + " " + std::to_string(type) +
                        ") but its stored " + std::string(delay_key) + " is " + std::to_string(delay) +
                        (set ? "" : " (the key is missing)") + "; a trail needs a stored delay of 1 or more, e.g. " +
                        std::string(delay_key) + ":1");
    }
    return true;
  }

  bool Fail(std::string_view key, std::string what) {
    return FailAt(line_ != nullptr ? line_->number : 0, key, std::move(what));
  }

  bool FailAt(int line, std::string_view key, std::string what) {
    error_.file = name_;
    error_.line = line;
    error_.key = std::string(key);
    error_.what = std::move(what);
    return false;
  }

  const std::string& name_;
  WeaponTable& weapons_;
  ObjTable& objs_;
  SObjTable& sobjs_;
  ArmsError& error_;

  const ArmsLine* line_ = nullptr;
  Section section_ = Section::kWeapons;
  int weapon_slot_ = 0;
  int order_line_ = 0;
  int obj_slot_ = 0;
  int obj_slot_line_ = 0;
  int sobj_slot_ = 0;
  int sobj_slot_line_ = 0;
  std::array<std::array<int, kWeaponFields.size()>, kWeaponSlots> weapon_lines_{};
  std::array<std::array<int, kObjFields.size()>, kObjSlots> obj_lines_{};
};

bool ReadWholeFile(const std::string& path, std::string& data, std::string& reason) {
  std::error_code ec;
  auto status = std::filesystem::status(path, ec);
  if (ec || !std::filesystem::exists(status)) {
    reason = "cannot open the weapon file: it does not exist";
    return false;
  }
  if (std::filesystem::is_directory(status)) {
    reason = "cannot open the weapon file: it is a directory";
    return false;
  }
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!f) {
    reason = std::string("cannot open the weapon file: ") + std::strerror(errno);
    return false;
  }
  data.clear();
  std::array<char, 65536> buf;
  for (;;) {
    std::size_t n = std::fread(buf.data(), 1, buf.size(), f.get());
    data.append(buf.data(), n);
    if (data.size() > kMaxFileBytes) {
      reason = "the weapon file is larger than 64 MiB; this is not a weapon file";
      return false;
    }
    if (n < buf.size()) break;
  }
  if (std::ferror(f.get())) {
    reason = "cannot read the weapon file: read error";
    return false;
  }
  return true;
}

template <typename Def, std::size_t N>
bool AllZero(const Def& d, const std::array<FieldSpec<Def>, N>& fields) {
  for (const FieldSpec<Def>& f : fields)
    if (d.*(f.member) != 0) return false;
  return true;
}

// Why a file that loaded gives the game no weapon, in words that lead its
// author to the fix; empty when it has one.
std::string NoWeaponReason(const WeaponTable& weapons, std::string_view bytes) {
  for (int s = 1; s < kWeaponSlots; ++s)
    if (SlotInUse(weapons[s])) return {};
  if (bytes.find_first_not_of("\r\n") == std::string_view::npos)
    return "the weapon file is empty; it must define at least one weapon (ORDER:1, NAME:..., ...)";
  return "the weapon file defines no weapon (weapons 1-41 are all empty), so nobody could shoot; each "
         "weapon starts with an ORDER:n line";
}

}  // namespace

// A line ends at CR LF, at a lone CR or at a lone LF: a file saved on
// Linux (LF) loads like the shipped one (CR LF). Krel once ended lines at
// CR only, which turned an LF file into one long line that was refused;
// nothing a modder writes on purpose depends on that.
std::vector<ArmsLine> SplitArmsLines(std::string_view data) {
  std::vector<ArmsLine> lines;
  std::size_t start = 0;
  int number = 1;
  for (std::size_t i = 0; i < data.size(); ++i) {
    if (data[i] != '\r' && data[i] != '\n') continue;
    lines.push_back({data.substr(start, i - start), number++});
    if (data[i] == '\r' && i + 1 < data.size() && data[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < data.size()) lines.push_back({data.substr(start), number});
  return lines;
}

std::string WeaponLabel(int n) { return n == 0 ? "the bonus crates" : "weapon " + std::to_string(n); }

bool SlotInUse(const WeaponDef& d) { return !d.NAME.empty() || !AllZero(d, kWeaponFields); }
bool SlotInUse(const ObjDef& d) { return !AllZero(d, kObjFields); }
bool SlotInUse(const SObjDef& d) { return !AllZero(d, kSObjFields); }

bool HasLoneLineFeed(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size(); ++i)
    if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r')) return true;
  return false;
}

std::string ArmsError::Message() const {
  std::string m = file;
  if (line > 0) {
    m += ':';
    m += std::to_string(line);
  }
  m += ": ";
  if (!key.empty()) m += key + ": ";
  return m + what;
}

bool LoadArmsFromBytes(WeaponTable& weapons, ObjTable& objs, SObjTable& sobjs, std::string_view bytes,
                       const std::string& name, ArmsError& error) {
  // Load into fresh tables and hand them over only when the whole file was
  // good, so that a failed load never leaves half a file behind.
  auto w = std::make_unique<WeaponTable>();
  auto o = std::make_unique<ObjTable>();
  auto s = std::make_unique<SObjTable>();
  auto loader = std::make_unique<Loader>(name, *w, *o, *s, error);
  const bool ok = loader->Run(bytes);
  if (ok) {
    weapons = std::move(*w);
    objs = *o;
    sobjs = *s;
  } else {
    weapons = {};
    objs = {};
    sobjs = {};
  }
  return ok;
}

bool LoadArms(WeaponTable& weapons, ObjTable& objs, SObjTable& sobjs, const std::string& path, ArmsError& error) {
  std::string data;
  std::string reason;
  if (!ReadWholeFile(path, data, reason)) {
    weapons = {};
    objs = {};
    sobjs = {};
    error = ArmsError{path, 0, "", reason};
    return false;
  }
  if (!LoadArmsFromBytes(weapons, objs, sobjs, data, path, error)) return false;
  if (std::string no_weapon = NoWeaponReason(weapons, data); !no_weapon.empty()) {
    weapons = {};
    objs = {};
    sobjs = {};
    error = ArmsError{path, 0, "", std::move(no_weapon)};
    return false;
  }
  return true;
}

}  // namespace krel
