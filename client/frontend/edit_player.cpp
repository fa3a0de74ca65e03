#include "client/frontend/edit_player.h"

#include <algorithm>

#include "client/present/colors.h"
#include "client/present/display_state.h"
#include "client/present/sound.h"
#include "platform/keycodes.h"

namespace krel {

namespace {

constexpr std::uint32_t kEditorFrameMs = 31;
constexpr int kHueLimit = 360;

constexpr const char* kKeyLabels[] = {
    "LEFT KEY:", "RIGHT KEY: ", "UP KEY: ", "DOWN KEY: ", "SHOOT KEY: ", "JUMP KEY: ", "CHANGE KEY: "};

// Line 3 is control 1 (left) ... line 9 is control 7 (change).
bool IsKeyLine(int line) { return line >= 3 && line <= 9; }

std::string KeyName(const World& w, int code) {
  return (code >= 0 && code < 256) ? w.KeyNames[static_cast<std::size_t>(code)] : std::string();
}

void TypeIntoName(World& w, EditorState& e) {
  std::string& name = w.MenuName[static_cast<std::size_t>(e.player)];
  for (char ch : w.TypedText) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == 8) {
      if (!name.empty()) name.pop_back();
    } else if (c == 27 || c == 13) {
      e.editing = false;
      e.latch = true;
      // Characters typed after the end of the editing are not the name's.
      break;
    } else if (name.size() < kMaxTypedName) {
      name += ch;
    }
  }
}

}  // namespace

void NextController(flag& c, int16& strength) {
  if (c == kControllerHuman) {
    c = kControllerCpu;
  } else if (c != kControllerAce) {
    c = kControllerAce;
    strength = 1;
  } else if (strength >= 1 && strength < kAceStrongest) {
    ++strength;
  } else {
    c = kControllerHuman;
  }
}

std::string ControllerName(flag c, int16 strength) {
  if (c == kControllerHuman) return "HUMAN";
  if (c != kControllerAce) return "CPU";
  return "ACE " + std::to_string(std::clamp<int>(strength, 1, kAceStrongest));
}

bool HandleEditorKeys(World& w, EditorState& e, const KeySnapshot& keys) {
  const auto p = static_cast<std::size_t>(e.player);
  bool stay = true;
  if (e.editing) {
    if (e.line == 1) {
      TypeIntoName(w, e);
    } else if (IsKeyLine(e.line) && w.LastKey != 0) {
      w.KeyMap[p][static_cast<std::size_t>(e.line - 2)] = w.LastKey;
      e.editing = false;
    }
  } else if (keys.Down(DIK_DOWN)) {
    if (!e.latch) {
      e.line = e.line % kEditorLines + 1;
      PlaySound(w, 27);
      e.latch = true;
    }
  } else if (keys.Down(DIK_UP)) {
    if (!e.latch) {
      e.line = (e.line + 8) % kEditorLines + 1;
      PlaySound(w, 26);
      e.latch = true;
    }
  } else if (keys.Down(DIK_ESCAPE)) {
    stay = e.latch;
  } else if (keys.Down(DIK_LEFT)) {
    // The colour runs on while the arrow is held.
    if (e.line == 2 && w.MenuColor[p] > 0) w.MenuColor[p] -= 1;
    e.latch = true;
  } else if (keys.Down(DIK_RIGHT)) {
    if (e.line == 2 && w.MenuColor[p] < kHueLimit) w.MenuColor[p] += 1;
    e.latch = true;
  } else if (keys.Down(DIK_RETURN)) {
    if (!e.latch) {
      PlaySound(w, 28);
      if (e.line == 1 || IsKeyLine(e.line)) e.editing = true;
      if (e.line == kEditorLines) NextController(w.MenuComputer[p], w.MenuAceStrength[p]);
      e.latch = true;
    }
  } else {
    e.latch = false;
  }
  w.TypedText.clear();
  w.LastKey = 0;
  return stay;
}

std::vector<TextLine> EditorLines(const World& w, const EditorState& e) {
  const auto p = static_cast<std::size_t>(e.player);
  std::vector<std::string> texts;
  texts.push_back("NAME: " + w.MenuName[p] + (e.editing && e.line == 1 ? "_" : ""));
  texts.push_back("COLOR: ");
  for (int j = 1; j <= 7; ++j)
    texts.push_back(kKeyLabels[j - 1] + KeyName(w, w.KeyMap[p][static_cast<std::size_t>(j)]));
  texts.push_back("CONTROLLER: " + ControllerName(w.MenuComputer[p], w.MenuAceStrength[p]));

  std::vector<TextLine> lines;
  for (int i = 1; i <= kEditorLines; ++i) {
    const int col = (i == e.line && e.blink) ? 5 : 2;
    lines.push_back({texts[static_cast<std::size_t>(i - 1)], 180, 10 + 10 * i, col});
  }
  return lines;
}

void EditPlayer(World& w, int player) {
  if (player != 1 && player != 2) return;
  EditorState e;
  e.player = player;
  w.TypedText.clear();
  ScreenPacer pacer(kEditorFrameMs);
  while (pacer.Next(w)) {
    DisplayOf(w).Back.Blit(0, 0, DisplayOf(w).SavedBack, MakeRect(0, 0, 320, 240), false);
    e.blink = !e.blink;
    const std::vector<TextLine> lines = EditorLines(w, e);
    DrawLines(w, {lines.begin(), lines.begin() + 1});
    // The bar shows the worm's hue before the colour line's text.
    const int32 bar = CreateHLSColor(w, DisplayOf(w).Palette[29], w.MenuColor[static_cast<std::size_t>(player)]);
    DisplayOf(w).Back.FillRect(MakeRect(175, 29, 120, 8), static_cast<Pixel>(bar));
    DrawLines(w, {lines.begin() + 1, lines.end()});

    if (!HandleEditorKeys(w, e, KeySnapshot::Read(w))) return;
    PresentScreen(w);
  }
}

}  // namespace krel
