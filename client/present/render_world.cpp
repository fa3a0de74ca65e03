#include "client/present/render_world.h"

#include <algorithm>
#include <cmath>

#include "client/present/display_state.h"
#include "client/present/sprites.h"
#include "client/simulation/terrain/level.h"
#include "client/simulation/weapons/shots.h"
#include "client/simulation/worms/motion.h"

namespace krel {

namespace {

// Sprite number bases of the three sheets.
constexpr int kGfx8 = 200;
constexpr int kGfx4 = 400;
constexpr int kCrate = 300;
constexpr int kHealthPack = 301;

// Network data can carry any value; keep coordinates far from the integer
// limits so that the small offsets below cannot overflow. Anything this far
// out is off every surface anyway.
int Coord(std::int64_t v) { return static_cast<int>(std::clamp<std::int64_t>(v, -(1 << 28), 1 << 28)); }
int Nearest(double v) { return Coord(ToInt32(v)); }
int Nearest(fixed v) { return Coord(v.RoundToInt64()); }

// The definition of weapon number n, or nullptr when there is none.
const WeaponDef* Weapon(const World& w, int n) {
  const int slot = n + 1;
  if (slot < 0 || slot >= kWeaponSlots) return nullptr;
  return &w.WeaponDefs[static_cast<std::size_t>(slot)];
}

const WeaponDef* CurrentWeapon(const World& w, const Player& p) {
  if (p.CurWeapon < 0 || p.CurWeapon >= static_cast<int>(p.WeaponSlots.size())) return nullptr;
  return Weapon(w, p.WeaponSlots[static_cast<std::size_t>(p.CurWeapon)]);
}

// Sets one pixel of the world canvas to colour number n, if the point lies
// strictly inside the level.
void Dot(World& w, fixed x, fixed y, int n) {
  if (n < 0 || n >= static_cast<int>(w.PaletteColors.size())) return;
  if (!(x > fixed(0) && y > fixed(0) && x < fixed(w.LevelWidth) && y < fixed(w.LevelHeight))) return;
  DisplayOf(w).WorldView.SetPixel(Nearest(x), Nearest(y),
                                  static_cast<Pixel>(w.PaletteColors[static_cast<std::size_t>(n)]));
}

void DrawRope(World& w, Player& p) {
  if (p.RopeState < 0) {
    const int q = -static_cast<int>(p.RopeState);
    if (q < kMaxPlayerSlots) {
      p.RopeX = w.Players[static_cast<std::size_t>(q)].X;
      p.RopeY = w.Players[static_cast<std::size_t>(q)].Y;
    }
  }
  Surface& s = DisplayOf(w).WorldView;
  s.SetForeColor(200, 100, 0);
  s.DrawLine(Nearest(p.X), Nearest(p.Y), Nearest(p.RopeX), Nearest(p.RopeY));
  const int hx = Coord(p.RopeX.Floor());
  const int hy = Coord(p.RopeY.Floor());
  s.SetForeColor(255, 255, 255);
  s.DrawLine(hx + 2, hy - 1, hx - 1, hy + 2);
  s.DrawLine(hx + 2, hy + 1, hx - 1, hy - 2);
}

// A red dotted line from the worm along its aim to the first solid pixel or
// the level's edge. Every pixel draws one random number: the sight is part
// of the game's one random sequence.
void DrawLaser(World& w, const Player& p, double sx, double sy) {
  float px = static_cast<float>(p.X.ToDouble());
  float py = static_cast<float>(p.Y.ToDouble());
  Surface& s = DisplayOf(w).WorldView;
  while (std::floor(px) > 0 && std::floor(px) < w.LevelWidth && std::floor(py) > 0 && std::floor(py) < w.LevelHeight) {
    px = static_cast<float>(px + sx);
    py = static_cast<float>(py - sy);
    if (!IsPassable(w, px, py)) break;
    const int shade = std::min(2, static_cast<int>(std::floor(3 * w.Rand())));
    s.SetPixel(ToInt32(px), ToInt32(py), DisplayOf(w).LaserColours[static_cast<std::size_t>(shade)]);
  }
}

void DrawWorm(World& w, int i) {
  Player& p = w.Players[static_cast<std::size_t>(i)];
  if (p.RopeState != 0) DrawRope(w, p);

  DrawPlayer(w, DisplayOf(w).WorldView, i, p.AnimFrame * 7 + p.Aim / 3, (p.X - fixed(8)).ToInt16(),
             (p.Y - fixed(4)).ToInt16(), p.FacingRight != kFalse);

  // The crosshair: a small diagonal cross 10 pixels out along the aim.
  const double a = AimAngle(p.Aim).ToDouble();
  const double side = p.FacingRight != kFalse ? 1.0 : -1.0;
  const double cx = side * 10 * std::sin(a);
  const double cy = -10 * std::cos(a);
  const double x = p.X.ToDouble();
  const double y = p.Y.ToDouble();
  Surface& s = DisplayOf(w).WorldView;
  s.SetForeColor(255, 255, 255);
  s.DrawLine(Nearest(x - 1 + cx), Nearest(y - 1 + cy), Nearest(x + 2 + cx), Nearest(y + 2 + cy));
  s.DrawLine(Nearest(x + 1 + cx), Nearest(y - 1 + cy), Nearest(x - 2 + cx), Nearest(y + 2 + cy));

  const WeaponDef* weapon = CurrentWeapon(w, p);
  if (weapon != nullptr && weapon->LASERSIGHT != 0) DrawLaser(w, p, side * std::sin(a), std::cos(a));
}

// The sprite of a shot of shot type 0 (or a shadowed type 4): a dot, an
// animation, a still sprite, or a bonus item.
void DrawPlainShot(World& w, const Shot& shot, const WeaponDef& wd) {
  const double x = (shot.x - fixed(4)).ToDouble();
  const double y = (shot.Y - fixed(4)).ToDouble();
  if (wd.ANIMSFRAME == -1) {
    Dot(w, shot.x, shot.Y, wd.BULLETCOLOR);
  } else if (wd.ANIMFRAMES != 0) {
    int f = 0;
    if (wd.ANIMLOOP == 0)
      f = std::min<int>(shot.age, wd.ANIMFRAMES);
    else
      f = static_cast<int>(wd.ANIMFRAMES + 1 == 0 ? 0 : shot.age % (wd.ANIMFRAMES + 1));
    DrawTile(w, DisplayOf(w).WorldView, kGfx8 + wd.ANIMSFRAME + f, x, y, false);
  } else if (wd.ANIMSFRAME != 100 && shot.ty != -1) {
    DrawTile(w, DisplayOf(w).WorldView, kGfx8 + wd.ANIMSFRAME, x, y, false);
  } else if (shot.color > 0) {
    // A weapon bonus: the crate with the name of the weapon it gives.
    DrawTile(w, DisplayOf(w).WorldView, kCrate, x, y, false);
    if (const WeaponDef* gift = Weapon(w, shot.color))
      DrawLabel(w, DisplayOf(w).WorldView, Trim(gift->NAME), shot.x.ToDouble(), shot.Y.ToDouble() - 12);
  } else {
    DrawTile(w, DisplayOf(w).WorldView, kHealthPack, x, y, false);
  }
}

}  // namespace

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

void DrawLabel(World& w, Surface& surf, std::string_view name, double cx, double y) {
  const double left = cx - 2.0 * static_cast<double>(name.size());
  for (std::size_t j = 0; j < name.size(); ++j) {
    const int code = static_cast<unsigned char>(name[j]);
    DrawTile(w, surf, kGfx4 + code - 'A', left + 4.0 * static_cast<double>(j), y, false);
  }
}

void DrawWorms(World& w) {
  const int last = std::clamp<int>(w.NumPlayers, 0, kMaxNetPlayers);
  for (int i = 1; i <= last; ++i) {
    Player& p = w.Players[static_cast<std::size_t>(i)];
    if (p.Alive == kFalse) continue;
    const DrawnPosition& drawn = w.NetStats.Drawn[static_cast<std::size_t>(i)];
    if (!drawn.known) {
      DrawWorm(w, i);
      continue;
    }
    // Drawn where it probably is now (remote_worms.h); the state stays.
    const fixed x = p.X, y = p.Y;
    p.X = fixed(drawn.x);
    p.Y = fixed(drawn.y);
    DrawWorm(w, i);
    p.X = x;
    p.Y = y;
  }
}

void DrawShots(World& w) {
  for (std::size_t k = 1; k < w.Shots.size(); ++k) {
    const Shot shot = w.Shots[k];
    if (shot.removed != kFalse) continue;
    const WeaponDef* wd = Weapon(w, shot.ty);
    if (wd == nullptr) continue;
    const double x = (shot.x - fixed(4)).ToDouble();
    const double y = (shot.Y - fixed(4)).ToDouble();
    switch (wd->SHOTTYPE) {
      case 4:
        if (wd->SHADOW == 0) {
          // A beam: a line from the shot back to whoever fired it, for this
          // one frame only.
          if (wd->BULLETCOLOR >= 0 && wd->BULLETCOLOR < 256) {
            const PaletteEntry& c = DisplayOf(w).Palette[static_cast<std::size_t>(wd->BULLETCOLOR)];
            DisplayOf(w).WorldView.SetForeColor(c.red, c.green, c.blue);
            if (shot.owner >= 0 && shot.owner < kMaxPlayerSlots) {
              const Player& owner = w.Players[static_cast<std::size_t>(shot.owner)];
              DisplayOf(w).WorldView.DrawLine(Nearest(shot.x), Nearest(shot.Y), Nearest(owner.X), Nearest(owner.Y));
            }
          }
          RemoveShot(w, static_cast<int32>(k));
          if (k >= w.Shots.size()) return;
          break;
        }
        DrawPlainShot(w, shot, *wd);
        break;
      case 0: DrawPlainShot(w, shot, *wd); break;
      case 2:  // 17 rotations
        DrawTile(w, DisplayOf(w).WorldView, kGfx8 + wd->ANIMSFRAME + atan2(shot.dx.ToDouble(), shot.dy.ToDouble()) / 22,
                 x, y, false);
        break;
      case 1:
      case 3:  // 15 rotations
        DrawTile(w, DisplayOf(w).WorldView, kGfx8 + wd->ANIMSFRAME + atan2(shot.dx.ToDouble(), shot.dy.ToDouble()) / 25,
                 x, y, false);
        break;
      default: break;
    }
  }
}

void DrawObjects(World& w) {
  for (std::size_t k = 1; k < w.Objs.size(); ++k) {
    const Obj& o = w.Objs[k];
    if (o.removed != kFalse || o.ty < 0 || o.ty >= kObjSlots) continue;
    const ObjDef& t = w.ObjDefs[static_cast<std::size_t>(o.ty)];
    const double x = (o.x - fixed(4)).ToDouble();
    const double y = (o.Y - fixed(4)).ToDouble();
    if (t.ANIMSFRAME == 0) {
      Dot(w, o.x, o.Y, o.color != 0 ? o.color : t.BULLETCOLOR);
    } else if (t.ANIMFRAMES != 0) {
      // Animated objects start one cell after their first frame.
      DrawTile(w, DisplayOf(w).WorldView, kGfx8 + t.ANIMSFRAME + o.age % t.ANIMFRAMES + 1, x, y, false);
    } else {
      DrawTile(w, DisplayOf(w).WorldView, kGfx8 + t.ANIMSFRAME, x, y, false);
    }
  }
}

void DrawSpecialObjects(World& w) {
  for (std::size_t k = 1; k < w.SObjs.size(); ++k) {
    const SObj& o = w.SObjs[k];
    if (o.removed != kFalse || o.ty < 0 || o.ty >= kSObjSlots) continue;
    const SObjDef& t = w.SObjDefs[static_cast<std::size_t>(o.ty)];
    DrawTile(w, DisplayOf(w).WorldView, static_cast<double>(t.ANIMSFRAME + IDiv(o.age, t.ANIMDELAY)),
             (o.x - fixed(8)).ToDouble(), (o.Y - fixed(8)).ToDouble(), false);
  }
}

void DrawWeaponLabels(World& w) {
  const int last = std::clamp<int>(w.NumPlayers, 0, kMaxNetPlayers);
  for (int i = 1; i <= last; ++i) {
    const Player& p = w.Players[static_cast<std::size_t>(i)];
    if (p.Alive == kFalse || p.Ctrl[kChange] == 0) continue;
    if (const WeaponDef* wd = CurrentWeapon(w, p))
      DrawLabel(w, DisplayOf(w).WorldView, Trim(wd->NAME), p.X.ToDouble(), p.Y.ToDouble() - 10);
  }
}

}  // namespace krel
