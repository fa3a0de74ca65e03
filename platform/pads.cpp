#include "platform/pads.h"

#include <algorithm>

#include "platform/keycodes.h"

namespace krel {

namespace {

constexpr std::uint8_t Bit(int control) { return static_cast<std::uint8_t>(1u << control); }

// Control numbers as the key table counts them.
constexpr int kLeft = 1, kRight = 2, kUp = 3, kDown = 4, kShoot = 5, kJump = 6, kChange = 7;

}  // namespace

std::uint8_t Pads::Pad::Held() const {
  std::uint8_t held = 0;
  if (Button(PadButton::kDpadLeft) || Axis(PadAxis::kLeftX) < -kStickDeadZone) held |= Bit(kLeft);
  if (Button(PadButton::kDpadRight) || Axis(PadAxis::kLeftX) > kStickDeadZone) held |= Bit(kRight);
  if (Button(PadButton::kDpadUp) || Axis(PadAxis::kLeftY) < -kStickDeadZone) held |= Bit(kUp);
  if (Button(PadButton::kDpadDown) || Axis(PadAxis::kLeftY) > kStickDeadZone) held |= Bit(kDown);
  if (Button(PadButton::kX) || Axis(PadAxis::kTriggerRight) > kTriggerThreshold) held |= Bit(kShoot);
  if (Button(PadButton::kA)) held |= Bit(kJump);
  if (Button(PadButton::kB) || Button(PadButton::kY)) held |= Bit(kChange);
  return held;
}

Pads::Pad* Pads::Find(int id) {
  auto it = std::find_if(pads_.begin(), pads_.end(), [id](const Pad& p) { return p.id == id; });
  return it == pads_.end() ? nullptr : &*it;
}

const Pads::Pad* Pads::Find(int id) const {
  auto it = std::find_if(pads_.begin(), pads_.end(), [id](const Pad& p) { return p.id == id; });
  return it == pads_.end() ? nullptr : &*it;
}

void Pads::Add(int id) {
  if (Find(id) != nullptr) return;  // reported twice
  Pad pad;
  pad.id = id;
  for (int player = 1; player <= 2 && pad.player == 0; ++player) {
    if (std::none_of(pads_.begin(), pads_.end(), [player](const Pad& p) { return p.player == player; }))
      pad.player = player;
  }
  pads_.push_back(pad);
}

void Pads::Remove(int id) {
  auto it = std::find_if(pads_.begin(), pads_.end(), [id](const Pad& p) { return p.id == id; });
  if (it == pads_.end()) return;
  const int freed = it->player;
  pads_.erase(it);
  if (freed == 0) return;
  for (Pad& p : pads_) {
    if (p.player == 0) {
      p.player = freed;
      return;
    }
  }
}

void Pads::SetButton(int id, PadButton button, bool down) {
  Pad* pad = Find(id);
  auto i = static_cast<std::size_t>(button);
  if (pad != nullptr && i < pad->buttons.size()) pad->buttons[i] = down;
}

void Pads::SetAxis(int id, PadAxis axis, int value) {
  Pad* pad = Find(id);
  auto i = static_cast<std::size_t>(axis);
  if (pad != nullptr && i < pad->axes.size()) pad->axes[i] = value;
}

int Pads::PlayerOf(int id) const {
  const Pad* pad = Find(id);
  return pad != nullptr ? pad->player : 0;
}

std::uint8_t Pads::Controls(int player) const {
  if (player < 1 || player > 2) return 0;
  for (const Pad& p : pads_) {
    if (p.player == player) return p.Held();
  }
  return 0;
}

void Pads::AddMenuKeys(std::uint8_t state[256]) const {
  for (const Pad& p : pads_) {
    const std::uint8_t held = p.Held();
    if (held & Bit(kLeft)) state[DIK_LEFT] = 0x80;
    if (held & Bit(kRight)) state[DIK_RIGHT] = 0x80;
    if (held & Bit(kUp)) state[DIK_UP] = 0x80;
    if (held & Bit(kDown)) state[DIK_DOWN] = 0x80;
    if (p.Button(PadButton::kA)) state[DIK_RETURN] = 0x80;
    if (p.Button(PadButton::kB)) state[DIK_ESCAPE] = 0x80;
  }
}

}  // namespace krel
