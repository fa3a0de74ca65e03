#include "client/present/remote_worms.h"

#include <algorithm>
#include <cmath>

#include "client/simulation/terrain/level.h"
#include "client/simulation/worms/motion.h"

namespace krel {

namespace {

constexpr double kFrameMs = 40.0;
// A state waits at the relay for the cycle it goes out with: half a frame
// on average.
constexpr double kRelayWaitMs = 20.0;

// Where the worm gets to in `frames` frames at its velocity, stopping at the
// first solid point (the walls stop it as they stop the worm).
void CarryOn(const World& w, double& x, double& y, double vx, double vy, double frames) {
  const int whole = static_cast<int>(std::floor(frames));
  for (int k = 0; k <= whole; ++k) {
    const double part = k < whole ? 1.0 : frames - whole;
    if (part <= 0) break;
    const double nx = x + vx * part, ny = y + vy * part;
    if (!IsPassable(w, nx, ny)) break;
    x = nx;
    y = ny;
  }
}

}  // namespace

void UpdateDrawnPositions(World& w) {
  NetStatus& net = w.NetStats;
  net.FrameCorrection = 0;
  net.FrameStateCorrection = 0;
  const int last = std::clamp<int>(w.NumPlayers, 0, kMaxNetPlayers);
  for (int i = 1; i < kMaxPlayerSlots; ++i) {
    DrawnPosition& d = net.Drawn[static_cast<std::size_t>(i)];
    const Player& p = w.Players[static_cast<std::size_t>(i)];
    if (!net.Pipelined || i <= 2 || i > last || p.Alive == kFalse) {
      d = DrawnPosition{};
      continue;
    }
    // Tenths of a pixel per movement step, one step per unit of speed.
    const double vx = (p.DirX * p.Speed).ToDouble() / kWormStepDivisor;
    const double vy = (p.DirY * p.Speed).ToDouble() / kWormStepDivisor;
    const double sx = p.X.ToDouble(), sy = p.Y.ToDouble();
    if (d.stateKnown) {
      const double jump = std::hypot(sx - (d.stateX + d.stateVx), sy - (d.stateY + d.stateVy));
      if (jump < kSnapDistancePx) net.FrameStateCorrection = std::max(net.FrameStateCorrection, jump);
    }
    d.stateX = sx;
    d.stateY = sy;
    d.stateVx = vx;
    d.stateVy = vy;
    d.stateKnown = true;

    const int32 own = net.RoundTripMs[1], theirs = net.RoundTripMs[static_cast<std::size_t>(i)];
    const double late = own >= 0 && theirs >= 0 ? (own + theirs) / 2.0 + kRelayWaitMs : 0.0;
    double tx = sx, ty = sy;
    CarryOn(w, tx, ty, vx, vy, std::min(late / kFrameMs, kMaxLeadFrames));
    if (!d.known || std::hypot(tx - d.x, ty - d.y) > kSnapDistancePx) {
      d.x = tx;
      d.y = ty;
      d.known = true;
      continue;
    }
    // It goes on as it moves; what the new state says beyond that is eased in.
    double ex = d.x, ey = d.y;
    CarryOn(w, ex, ey, vx, vy, 1.0);
    double cx = tx - ex, cy = ty - ey;
    const double length = std::hypot(cx, cy);
    if (length > kMaxCorrectionPx) {
      cx *= kMaxCorrectionPx / length;
      cy *= kMaxCorrectionPx / length;
    }
    d.x = ex + cx;
    d.y = ey + cy;
    net.FrameCorrection = std::max(net.FrameCorrection, std::min(length, kMaxCorrectionPx));
  }
}

}  // namespace krel
