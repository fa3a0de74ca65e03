#include "client/frontend/edit_player.h"

#include <algorithm>

#include "client/frontend/menu.h"
#include "client/present/colors.h"
#include "client/present/display_state.h"
#include "client/present/sound.h"
#include "client/present/text.h"
#include "platform/keycodes.h"

namespace krel {

namespace {

constexpr std::uint32_t kEditorFrameMs = 31;
constexpr int kHueLimit = 360;

// The notes start a blank line below the last line.
constexpr int kNoteY = 30 + 10 * kEditorLines;
constexpr int kGrey = 2, kPale = 5, kRed = 6;

constexpr const char* kKeyLabels[] = {
    "LEFT KEY: ", "RIGHT KEY: ", "UP KEY: ", "DOWN KEY: ", "SHOOT KEY: ", "JUMP KEY: ", "CHANGE KEY: "};

// Line 3 is control 1 (left) ... line 9 is control 7 (change).
bool IsKeyLine(int line) { return line >= 3 && line <= 9; }

constexpr const char* kControlWords[] = {"", "LEFT", "RIGHT", "UP", "DOWN", "SHOOT", "JUMP", "CHANGE"};

std::string KeyName(const World& w, int code) {
  return (code >= 0 && code < 256) ? w.KeyNames[static_cast<std::size_t>(code)] : std::string();
}

void TypeIntoName(World& w, EditorState& e) {
  std::string& name = w.MenuName[static_cast<std::size_t>(e.player)];
  for (char ch : w.TypedText) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == 27 || c == 13) {
      e.editing = false;
      e.latch = true;
      // Characters typed after the end of the editing are not the name's.
      break;
    }
    if (c != 8 && c < 32) continue;  // other control characters are no part of a name
    // The old name is shown whole; the first key typed (backspace too)
    // starts a new one instead of adding to it.
    if (e.fresh_name) name.clear();
    e.fresh_name = false;
    if (c == 8) {
      if (!name.empty()) name.pop_back();
    } else if (name.size() < kMaxTypedName) {
      name += ch;
    }
  }
}

// Binds the key just pressed to control j of the player, unless it is
// Escape (the old key stays) or another control's key already.
void TakeKey(World& w, EditorState& e, int j) {
  const int code = w.LastKey;
  e.refused.clear();
  if (code == DIK_ESCAPE) {
    e.editing = false;
    e.latch = true;  // the same Escape must not also leave the screen
    return;
  }
  // F12 always saves a screenshot; bound to a control it would do both.
  if (code == DIK_F12) {
    e.refused = "F12 IS ALREADY\nTHE SCREENSHOT KEY";
    return;
  }
  for (int q = 1; q <= 2; ++q) {
    for (int k = kLeft; k <= kChange; ++k) {
      if ((q == e.player && k == j) || w.KeyMap[static_cast<std::size_t>(q)][static_cast<std::size_t>(k)] != code)
        continue;
      e.refused = KeyLabel(w, code) + " IS ALREADY\nPLAYER " + std::to_string(q) + "'S " + kControlWords[k] + " KEY";
      return;
    }
  }
  w.KeyMap[static_cast<std::size_t>(e.player)][static_cast<std::size_t>(j)] = static_cast<int16>(code);
  e.editing = false;
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
      TakeKey(w, e, e.line - 2);
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
      e.fresh_name = e.line == 1;
      e.refused.clear();
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
  const std::string& name = w.MenuName[p];
  texts.push_back("NAME: " + name + (e.editing && e.line == 1 ? "_" : ""));
  texts.push_back("COLOR: ");
  for (int j = 1; j <= 7; ++j) {
    const bool waiting = e.editing && e.line == j + 2;
    texts.push_back(kKeyLabels[j - 1] + (waiting ? "_" : KeyName(w, w.KeyMap[p][static_cast<std::size_t>(j)])));
  }
  texts.push_back("CONTROLLER: " + ControllerName(w.MenuComputer[p], w.MenuAceStrength[p]));

  std::vector<TextLine> lines;
  for (int i = 1; i <= kEditorLines; ++i) {
    const int col = (i == e.line && e.blink) ? kPale : kGrey;
    lines.push_back({texts[static_cast<std::size_t>(i - 1)], 180, 10 + 10 * i, col, i == e.line});
  }
  // Notes under the lines, each short enough for the right half.
  std::vector<std::pair<std::string, int>> notes;
  if (e.editing && e.line == 1) {
    if (name.size() >= kMaxTypedName)
      notes = {{std::to_string(kMaxTypedName) + " CHARACTERS AT MOST", kRed}};
    else if (e.fresh_name)
      notes = {{"TYPE A NEW NAME", kPale}};
    notes.push_back({"ENTER OR ESC ENDS", kPale});
  } else if (e.editing && IsKeyLine(e.line)) {
    if (const std::size_t cut = e.refused.find('\n'); cut != std::string::npos)
      notes = {{e.refused.substr(0, cut), kRed}, {e.refused.substr(cut + 1), kRed}, {"PRESS ANOTHER KEY", kPale}};
    else
      notes = {{"PRESS A KEY", kPale}};
    notes.push_back({"(ESC KEEPS THE OLD ONE)", kPale});
  }
  int y = kNoteY;
  for (const auto& [text, col] : notes) {
    lines.push_back({text, 180, y, col});
    y += 10;
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
    // On the colour line the hue bar stands for the cursor's dark bar: the
    // arrow alone is added.
    std::vector<TextLine> rest(lines.begin() + 1, lines.end());
    const bool on_colour = rest.front().chosen;
    rest.front().chosen = false;
    DrawLines(w, rest);
    if (on_colour) DrawText(w, DisplayOf(w).Back, kCursorArrow, rest.front().x - kCursorIndent, rest.front().y, 7);
    DrawFooter(w, MenuNotice());

    if (!HandleEditorKeys(w, e, KeySnapshot::Read(w))) return;
    PresentScreen(w);
  }
}

}  // namespace krel
