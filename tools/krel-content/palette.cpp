#include "tools/krel-content/palette.h"

#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <map>

namespace krel::content {
namespace {

// Fills indices first..last by linear interpolation through the given stops,
// spread evenly over the range.
void Ramp(Palette& p, int first, int last, std::initializer_list<Rgb> stops) {
  const std::vector<Rgb> s(stops);
  const int n = last - first;
  for (int i = 0; i <= n; ++i) {
    const double t = n == 0 ? 0.0 : static_cast<double>(i) / n * static_cast<double>(s.size() - 1);
    std::size_t k = static_cast<std::size_t>(t);
    if (k >= s.size() - 1) k = s.size() - 2;
    const double f = t - static_cast<double>(k);
    auto mix = [f](int a, int b) { return static_cast<std::uint8_t>(std::lround(a + (b - a) * f)); };
    p[first + i] = Rgb{mix(s[k].r, s[k + 1].r), mix(s[k].g, s[k + 1].g), mix(s[k].b, s[k + 1].b)};
  }
}

void Set(Palette& p, int first, std::initializer_list<Rgb> colours) {
  for (const Rgb& c : colours) p[first++] = c;
}

const char* MaterialName(Material m) {
  switch (m) {
    case Material::kSoil: return "soil";
    case Material::kRock: return "rock";
    case Material::kFree: return "free";
    case Material::kOther: return "other";
  }
  return "?";
}

}  // namespace

Material MaterialOfColourNumber(int n) {
  if ((n >= 12 && n <= 18) || (n >= 94 && n <= 103) || (n >= 175 && n <= 180)) return Material::kSoil;
  if (n >= 19 && n <= 29) return Material::kRock;
  if (n >= 159 && n <= 167) return Material::kFree;
  return Material::kOther;
}

Palette BuildPalette() {
  Palette p{};
  p[kTransparent] = {255, 0, 255};
  p[kBlack] = {0, 0, 0};
  Set(p, kReds0, {{90, 0, 0}, {140, 10, 10}, {190, 25, 20}, {235, 50, 40}, {255, 120, 110}, {255, 170, 160}});
  p[kInk] = {86, 84, 82};
  Set(p, kFireHot0, {{255, 255, 150}, {255, 220, 60}, {250, 150, 30}, {200, 80, 20}});

  // Soil: earthy browns. The first four are also what digging throws back in,
  // so they are the most common tones of the level's own soil.
  Set(p, kSoilA0,
      {{122, 82, 48}, {112, 74, 43}, {132, 90, 54}, {104, 68, 40}, {142, 98, 58}, {94, 62, 36}, {152, 108, 64}});
  // Rock: cool greys; the last is the light grey of the menus' text and the
  // palette entry the darkest worm shade is derived from, so it carries a
  // little blue saturation to tint that shade with the player's hue.
  Set(p, kRock0,
      {{58, 58, 66},
       {68, 68, 77},
       {78, 78, 88},
       {90, 90, 100},
       {102, 102, 113},
       {115, 115, 126},
       {128, 128, 140},
       {144, 145, 158},
       {162, 164, 178},
       {188, 198, 216}});
  // Worm blues (see sprites: outline, light, body, shade). A player's sheet
  // replaces index k + 1 by the hue-shifted, lightness-mirrored entry k, so
  // entries 29..32 decide the player's shades: 20 %, 70 %, 55 % and 40 %.
  Set(p, kWormOutline, {{23, 43, 130}, {40, 95, 189}, {92, 150, 214}, {52, 82, 137}});
  Set(p, 34, {{70, 90, 122}, {50, 60, 82}});
  Set(p, kWormDark, {{60, 54, 50}, {142, 134, 124}, {238, 232, 222}});
  Ramp(p, kBlue0, kLightBlue, {{10, 20, 60}, {30, 70, 160}, {110, 170, 255}});
  Set(p, 49, {{40, 44, 62}, {52, 58, 84}, {88, 100, 142}, {112, 122, 162}, {142, 152, 194}});
  Ramp(p, kSandRamp0, kSand, {{90, 70, 30}, {170, 140, 80}, {226, 204, 142}});
  Ramp(p, kGreyWhite0, kWhite, {{150, 150, 150}, {255, 255, 255}});
  Set(p, kFire0,
      {{255, 255, 220},
       {255, 250, 160},
       {255, 230, 90},
       {255, 200, 40},
       {250, 160, 20},
       {235, 115, 10},
       {210, 75, 5},
       {170, 45, 5},
       {120, 25, 5},
       {70, 15, 5}});
  Ramp(p, kSmoke0, kSmoke0 + 9, {{214, 208, 200}, {120, 116, 112}, {36, 34, 33}});
  Set(p, kGrass0, {{20, 60, 15}, {40, 100, 25}, {70, 140, 40}, {110, 180, 60}, {160, 220, 100}});
  Set(p, kSoilB0,
      {{98, 64, 38},
       {108, 71, 42},
       {118, 78, 46},
       {128, 86, 50},
       {138, 94, 55},
       {148, 102, 60},
       {86, 58, 36},
       {160, 112, 68},
       {78, 52, 32},
       {170, 122, 76}});
  Ramp(p, kGreen0, kGreen0 + 9, {{10, 40, 10}, {60, 200, 40}, {200, 255, 150}});
  Ramp(p, kPurple0, kPurple0 + 9, {{40, 10, 50}, {150, 60, 200}, {230, 170, 255}});
  Ramp(p, kCyan0, kCyan0 + 9, {{0, 40, 50}, {40, 190, 220}, {200, 255, 255}});
  Set(p, kFlesh0,
      {{60, 0, 0},
       {90, 5, 5},
       {120, 10, 10},
       {150, 20, 20},
       {180, 30, 30},
       {200, 60, 55},
       {220, 100, 90},
       {235, 140, 125},
       {245, 175, 160},
       {250, 205, 190}});
  p[kBone0] = {120, 110, 90};
  p[kBone1] = {150, 140, 115};
  p[kPaleBlueWhite] = {215, 228, 255};
  p[kBone2] = {180, 170, 145};
  p[kBone3] = {210, 200, 175};
  p[kBone4] = {240, 232, 210};
  Ramp(p, kSteel0, kSteel0 + 8, {{40, 46, 56}, {200, 212, 228}});
  // Free space: dark, slightly warm tunnel tones (the first four are what
  // digging leaves), darker cave shades, and two dark stains of blood.
  Set(p, kFree0,
      {{28, 20, 15},
       {33, 24, 18},
       {24, 17, 13},
       {37, 27, 20},
       {18, 16, 22},
       {25, 21, 28},
       {31, 26, 34},
       {56, 14, 12},
       {74, 20, 16}});
  Ramp(p, kGold0, kGold0 + 6, {{80, 60, 10}, {255, 230, 120}});
  Set(p, kSoilC0, {{160, 118, 72}, {172, 128, 80}, {150, 108, 66}, {182, 138, 88}, {140, 100, 60}, {192, 148, 96}});
  Ramp(p, kOrange0, kOrange0 + 9, {{60, 25, 0}, {230, 120, 20}, {255, 190, 120}});
  Ramp(p, kYellow0, kYellow0 + 9, {{60, 55, 0}, {230, 210, 30}, {255, 255, 170}});
  Ramp(p, kTeal0, kTeal0 + 9, {{0, 40, 35}, {30, 170, 140}, {150, 255, 230}});
  Ramp(p, kRed0, kRed0 + 9, {{50, 0, 5}, {210, 30, 40}, {255, 120, 130}});
  Ramp(p, kGrey0, kGrey0 + 11, {{20, 20, 20}, {236, 236, 236}});
  // Status bars: health from red through yellow to green, ammunition from
  // that green on to light blue (colour number 243 is the end of one and the
  // start of the other).
  Ramp(p, kHealth0, kHealth1, {{200, 0, 0}, {230, 200, 0}, {0, 200, 40}});
  Ramp(p, kAmmo0, kAmmo1, {{0, 200, 40}, {0, 210, 170}, {110, 190, 255}});
  p[255] = {255, 248, 220};
  return p;
}

std::uint16_t ToRgb565(const Rgb& c, Conversion how) {
  auto conv = [how](int v, int max) {
    switch (how) {
      case Conversion::kScaleFloor: return v * max / 255;
      case Conversion::kShift: return max == 63 ? v >> 2 : v >> 3;
      case Conversion::kScaleRound: return (v * max + 127) / 255;
    }
    return 0;
  };
  return static_cast<std::uint16_t>((conv(c.r, 31) << 11) | (conv(c.g, 63) << 5) | conv(c.b, 31));
}

std::vector<std::string> CheckPalette(const Palette& p) {
  std::vector<std::string> problems;
  auto say = [&problems](const char* fmt, int a, int b, const char* x, const char* y) {
    char buf[200];
    std::snprintf(buf, sizeof buf, fmt, a, b, x, y);
    problems.emplace_back(buf);
  };

  if (!(p[kTransparent] == Rgb{255, 0, 255})) problems.emplace_back("palette entry 0 is not magenta");
  for (Conversion how : {Conversion::kScaleFloor, Conversion::kShift, Conversion::kScaleRound}) {
    const char* how_name = how == Conversion::kScaleFloor ? "scaled"
                           : how == Conversion::kShift    ? "shifted"
                                                          : "rounded";
    const std::uint16_t key = ToRgb565(p[kTransparent], how);
    std::map<std::uint16_t, int> first_number;  // screen value -> first colour number seen
    for (int n = 0; n <= 254; ++n) {
      const std::uint16_t v = ToRgb565(p[n + 1], how);
      if (v == key) say("colour number %d (palette %d) is the transparent colour when %s%s", n, n + 1, how_name, "");
      auto [it, fresh] = first_number.emplace(v, n);
      if (fresh) continue;
      const Material a = MaterialOfColourNumber(it->second);
      const Material b = MaterialOfColourNumber(n);
      if (a != b) {
        char buf[200];
        std::snprintf(buf, sizeof buf, "colour numbers %d (%s) and %d (%s) give the same screen value %04X when %s",
                      it->second, MaterialName(a), n, MaterialName(b), v, how_name);
        problems.emplace_back(buf);
      }
    }
  }
  return problems;
}

}  // namespace krel::content
