#include "tools/krel-arms/report.h"

#include <string_view>
#include <type_traits>

#include "client/simulation/report/json_text.h"
#include "client/simulation/weapons/arms.h"
#include "client/simulation/weapons/arms_fields.h"

namespace krel {
namespace {

template <typename Def, std::size_t N>
void AppendFields(std::string& out, const Def& d, const std::array<FieldSpec<Def>, N>& fields, bool first) {
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

}  // namespace

ArmsCounts CountArms(const WeaponTable& weapons, const ObjTable& objs, const SObjTable& sobjs) {
  ArmsCounts c;
  c.bonus_item = SlotInUse(weapons[0]);
  for (std::size_t s = 1; s < weapons.size(); ++s) c.weapons += SlotInUse(weapons[s]);
  for (std::size_t s = 1; s < objs.size(); ++s) c.objects += SlotInUse(objs[s]);
  for (std::size_t s = 1; s < sobjs.size(); ++s) c.special_objects += SlotInUse(sobjs[s]);
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

}  // namespace krel
