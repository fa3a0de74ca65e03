// Game controllers as the game sees them. The platform reports plugging,
// buttons and axes; this turns them into a player's controls for a game
// frame and into arrow keys, Return and Escape for the menus. It knows
// nothing of SDL, so the headless platform drives it with fake events.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace krel {

// Buttons and axes of a standard pad (an Xbox-style layout); the values are
// those of SDL's game controller API.
enum class PadButton : int {
  kA = 0,
  kB,
  kX,
  kY,
  kBack,
  kGuide,
  kStart,
  kLeftStick,
  kRightStick,
  kLeftShoulder,
  kRightShoulder,
  kDpadUp,
  kDpadDown,
  kDpadLeft,
  kDpadRight,
  kCount
};
enum class PadAxis : int { kLeftX = 0, kLeftY, kRightX, kRightY, kTriggerLeft, kTriggerRight, kCount };

// The left stick must leave this much of its travel (of 32767) before it
// counts as a direction, so a worn stick resting off centre does not walk.
inline constexpr int kStickDeadZone = 8000;
// A trigger counts as pulled beyond half way.
inline constexpr int kTriggerThreshold = 16384;

class Pads {
 public:
  // A pad was plugged in (id: the platform's number for it, unique while it
  // is plugged in). It plays for the lowest of players 1 and 2 that has no
  // pad; a third pad only moves through the menus until one of them leaves.
  void Add(int id);
  // A pad left: whatever it held is released, and the longest-waiting pad
  // without a player takes its player over.
  void Remove(int id);
  void SetButton(int id, PadButton button, bool down);
  // value from -32768 to 32767 (triggers 0 to 32767).
  void SetAxis(int id, PadAxis axis, int value);

  // The player (1 or 2) the pad plays for; 0 for none or an unknown id.
  int PlayerOf(int id) const;
  // Controls held on player p's pad: bit j for control j (1 left, 2 right,
  // 3 up, 4 down, 5 shoot, 6 jump, 7 change).
  std::uint8_t Controls(int player) const;
  // Adds the menu keys held on any pad to a keyboard table: directions as
  // the arrow keys, A as Return, B as Escape.
  void AddMenuKeys(std::uint8_t state[256]) const;
  std::size_t size() const { return pads_.size(); }

 private:
  struct Pad {
    int id = 0;
    int player = 0;
    std::array<bool, static_cast<std::size_t>(PadButton::kCount)> buttons{};
    std::array<int, static_cast<std::size_t>(PadAxis::kCount)> axes{};
    bool Button(PadButton b) const { return buttons[static_cast<std::size_t>(b)]; }
    int Axis(PadAxis a) const { return axes[static_cast<std::size_t>(a)]; }
    std::uint8_t Held() const;
  };
  Pad* Find(int id);
  const Pad* Find(int id) const;

  std::vector<Pad> pads_;  // in the order they were plugged in
};

}  // namespace krel
