#include "client/weapons/arms_report.h"

#include <fstream>
#include <iterator>
#include <memory>
#include <string_view>
#include <type_traits>

#include "client/weapons/arms.h"
#include "client/weapons/arms_fields.h"

namespace krel {
namespace {

template <typename Def, std::size_t N>
bool AllZero(const Def& d, const std::array<FieldSpec<Def>, N>& fields) {
  for (const FieldSpec<Def>& f : fields)
    if (d.*(f.member) != 0) return false;
  return true;
}

bool Empty(const WeaponDef& w) { return w.NAME.empty() && AllZero(w, kWeaponFields); }

void AppendJsonString(std::string& out, std::string_view s) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += '"';
  for (char c : s) {
    auto u = static_cast<unsigned char>(c);
    if (c == '"') out += "\\\"";
    else if (c == '\\') out += "\\\\";
    else if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c == '\t') out += "\\t";
    else if (u < 0x20 || u >= 0x7F) {
      out += "\\u00";
      out += kHex[u >> 4];
      out += kHex[u & 0xF];
    } else {
      out += c;
    }
  }
  out += '"';
}

template <typename Def, std::size_t N>
void AppendFields(std::string& out, const Def& d, const std::array<FieldSpec<Def>, N>& fields,
                  bool first) {
  for (const FieldSpec<Def>& f : fields) {
    if (!first) out += ", ";
    first = false;
    out += '"';
    out += f.key;
    out += "\": ";
    out += std::to_string(d.*(f.member));
  }
}

template <typename Def, std::size_t Slots, std::size_t N>
void AppendTable(std::string& out, std::string_view name, const std::array<Def, Slots>& table,
                 const std::array<FieldSpec<Def>, N>& fields, bool last) {
  out += "  \"";
  out += name;
  out += "\": {\n";
  for (std::size_t s = 0; s < Slots; ++s) {
    out += "    \"";
    out += std::to_string(s);
    out += "\": {";
    bool first = true;
    if constexpr (std::is_same_v<Def, WeaponDef>) {
      out += "\"NAME\": ";
      AppendJsonString(out, table[s].NAME);
      first = false;
    }
    AppendFields(out, table[s], fields, first);
    out += s + 1 < Slots ? "},\n" : "}\n";
  }
  out += last ? "  }\n" : "  },\n";
}

// A line feed not preceded by a carriage return does not end a line, so an
// editor's LF-only file loads as one long line: worth telling its author.
bool HasLoneLineFeed(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  char prev = 0;
  for (std::istreambuf_iterator<char> it(in), end; it != end; ++it) {
    if (*it == '\n' && prev != '\r') return true;
    prev = *it;
  }
  return false;
}

std::string Count(int n, const char* noun) {
  std::string text = std::to_string(n);
  text += ' ';
  text += noun;
  if (n != 1) text += 's';
  return text;
}

int Usage(std::ostream& err) {
  err << "usage: krel-arms check FILE   load FILE as the game does; print ok and the counts, or the error\n"
         "       krel-arms dump FILE    print the three tables of FILE as JSON\n";
  return 2;
}

}  // namespace

ArmsCounts CountArms(const WeaponTable& weapons, const ObjTable& objs, const SObjTable& sobjs) {
  ArmsCounts c;
  c.bonus_item = !Empty(weapons[0]);
  for (std::size_t s = 1; s < weapons.size(); ++s) c.weapons += !Empty(weapons[s]);
  for (std::size_t s = 1; s < objs.size(); ++s) c.objects += !AllZero(objs[s], kObjFields);
  for (std::size_t s = 1; s < sobjs.size(); ++s) c.special_objects += !AllZero(sobjs[s], kSObjFields);
  return c;
}

std::string ArmsJson(const WeaponTable& weapons, const ObjTable& objs, const SObjTable& sobjs) {
  std::string out = "{\n";
  AppendTable(out, "WeaponDefs", weapons, kWeaponFields, false);
  AppendTable(out, "ObjDefs", objs, kObjFields, false);
  AppendTable(out, "SObjDefs", sobjs, kSObjFields, true);
  out += "}\n";
  return out;
}

int RunArmsTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 2 || (args[0] != "check" && args[0] != "dump")) return Usage(err);
  auto weapons = std::make_unique<WeaponTable>();
  auto objs = std::make_unique<ObjTable>();
  auto sobjs = std::make_unique<SObjTable>();
  ArmsError error;
  if (!LoadArms(*weapons, *objs, *sobjs, args[1], error)) {
    err << error.Message() << "\n";
    return 1;
  }
  if (args[0] == "dump") {
    out << ArmsJson(*weapons, *objs, *sobjs);
    return 0;
  }
  ArmsCounts c = CountArms(*weapons, *objs, *sobjs);
  out << "ok: " << Count(c.weapons, "weapon") << ", " << Count(c.objects, "object") << ", "
      << Count(c.special_objects, "special object") << "\n"
      << "(counted are non-empty slots, those with a name or any non-zero value: weapon slots "
         "1-41, objects 1-30, special objects 1-20; the bonus item in weapon slot 0 is "
      << (c.bonus_item ? "set" : "empty") << ")\n";
  if (HasLoneLineFeed(args[1])) {
    out << "note: the file has line feeds without a carriage return; they do not end lines here, "
           "so what follows each of them belongs to the line before (save with CR LF line ends)\n";
  }
  return 0;
}

}  // namespace krel
