#include "platform/keycodes.h"

#include <array>
#include <cctype>

namespace krel {

namespace {

struct KeyInfo {
  int code;
  const char* id;    // DirectInput identifier without the DIK_ prefix
  const char* name;  // what the player editor shows
};

// Every key of a PC keyboard (including the Japanese and Brazilian extras and
// the multimedia keys) in scan-code order.
constexpr KeyInfo kKeys[] = {
    {DIK_ESCAPE, "ESCAPE", "Escape"},
    {DIK_1, "1", "1"},
    {DIK_2, "2", "2"},
    {DIK_3, "3", "3"},
    {DIK_4, "4", "4"},
    {DIK_5, "5", "5"},
    {DIK_6, "6", "6"},
    {DIK_7, "7", "7"},
    {DIK_8, "8", "8"},
    {DIK_9, "9", "9"},
    {DIK_0, "0", "0"},
    {DIK_MINUS, "MINUS", "-"},
    {DIK_EQUALS, "EQUALS", "="},
    {DIK_BACK, "BACK", "Backspace"},
    {DIK_TAB, "TAB", "Tab"},
    {DIK_Q, "Q", "Q"},
    {DIK_W, "W", "W"},
    {DIK_E, "E", "E"},
    {DIK_R, "R", "R"},
    {DIK_T, "T", "T"},
    {DIK_Y, "Y", "Y"},
    {DIK_U, "U", "U"},
    {DIK_I, "I", "I"},
    {DIK_O, "O", "O"},
    {DIK_P, "P", "P"},
    {DIK_LBRACKET, "LBRACKET", "["},
    {DIK_RBRACKET, "RBRACKET", "]"},
    {DIK_RETURN, "RETURN", "Return"},
    {DIK_LCONTROL, "LCONTROL", "Left Ctrl"},
    {DIK_A, "A", "A"},
    {DIK_S, "S", "S"},
    {DIK_D, "D", "D"},
    {DIK_F, "F", "F"},
    {DIK_G, "G", "G"},
    {DIK_H, "H", "H"},
    {DIK_J, "J", "J"},
    {DIK_K, "K", "K"},
    {DIK_L, "L", "L"},
    {DIK_SEMICOLON, "SEMICOLON", ";"},
    {DIK_APOSTROPHE, "APOSTROPHE", "'"},
    {DIK_GRAVE, "GRAVE", "`"},
    {DIK_LSHIFT, "LSHIFT", "Left Shift"},
    {DIK_BACKSLASH, "BACKSLASH", "\\"},
    {DIK_Z, "Z", "Z"},
    {DIK_X, "X", "X"},
    {DIK_C, "C", "C"},
    {DIK_V, "V", "V"},
    {DIK_B, "B", "B"},
    {DIK_N, "N", "N"},
    {DIK_M, "M", "M"},
    {DIK_COMMA, "COMMA", ","},
    {DIK_PERIOD, "PERIOD", "."},
    {DIK_SLASH, "SLASH", "/"},
    {DIK_RSHIFT, "RSHIFT", "Right Shift"},
    {DIK_MULTIPLY, "MULTIPLY", "Num *"},
    {DIK_LMENU, "LMENU", "Left Alt"},
    {DIK_SPACE, "SPACE", "Space"},
    {DIK_CAPITAL, "CAPITAL", "Caps Lock"},
    {DIK_F1, "F1", "F1"},
    {DIK_F2, "F2", "F2"},
    {DIK_F3, "F3", "F3"},
    {DIK_F4, "F4", "F4"},
    {DIK_F5, "F5", "F5"},
    {DIK_F6, "F6", "F6"},
    {DIK_F7, "F7", "F7"},
    {DIK_F8, "F8", "F8"},
    {DIK_F9, "F9", "F9"},
    {DIK_F10, "F10", "F10"},
    {DIK_NUMLOCK, "NUMLOCK", "Num Lock"},
    {DIK_SCROLL, "SCROLL", "Scroll Lock"},
    {DIK_NUMPAD7, "NUMPAD7", "Num 7"},
    {DIK_NUMPAD8, "NUMPAD8", "Num 8"},
    {DIK_NUMPAD9, "NUMPAD9", "Num 9"},
    {DIK_SUBTRACT, "SUBTRACT", "Num -"},
    {DIK_NUMPAD4, "NUMPAD4", "Num 4"},
    {DIK_NUMPAD5, "NUMPAD5", "Num 5"},
    {DIK_NUMPAD6, "NUMPAD6", "Num 6"},
    {DIK_ADD, "ADD", "Num +"},
    {DIK_NUMPAD1, "NUMPAD1", "Num 1"},
    {DIK_NUMPAD2, "NUMPAD2", "Num 2"},
    {DIK_NUMPAD3, "NUMPAD3", "Num 3"},
    {DIK_NUMPAD0, "NUMPAD0", "Num 0"},
    {DIK_DECIMAL, "DECIMAL", "Num ."},
    {DIK_OEM_102, "OEM_102", "< > |"},
    {DIK_F11, "F11", "F11"},
    {DIK_F12, "F12", "F12"},
    {DIK_F13, "F13", "F13"},
    {DIK_F14, "F14", "F14"},
    {DIK_F15, "F15", "F15"},
    {DIK_KANA, "KANA", "Kana"},
    {DIK_ABNT_C1, "ABNT_C1", "Abnt C1"},
    {DIK_CONVERT, "CONVERT", "Convert"},
    {DIK_NOCONVERT, "NOCONVERT", "No Convert"},
    {DIK_YEN, "YEN", "Yen"},
    {DIK_ABNT_C2, "ABNT_C2", "Abnt C2"},
    {DIK_NUMPADEQUALS, "NUMPADEQUALS", "Num ="},
    {DIK_PREVTRACK, "PREVTRACK", "Previous Track"},
    {DIK_AT, "AT", "@"},
    {DIK_COLON, "COLON", ":"},
    {DIK_UNDERLINE, "UNDERLINE", "_"},
    {DIK_KANJI, "KANJI", "Kanji"},
    {DIK_STOP, "STOP", "Stop"},
    {DIK_AX, "AX", "AX"},
    {DIK_UNLABELED, "UNLABELED", "Unlabeled"},
    {DIK_NEXTTRACK, "NEXTTRACK", "Next Track"},
    {DIK_NUMPADENTER, "NUMPADENTER", "Num Enter"},
    {DIK_RCONTROL, "RCONTROL", "Right Ctrl"},
    {DIK_MUTE, "MUTE", "Mute"},
    {DIK_CALCULATOR, "CALCULATOR", "Calculator"},
    {DIK_PLAYPAUSE, "PLAYPAUSE", "Play/Pause"},
    {DIK_MEDIASTOP, "MEDIASTOP", "Media Stop"},
    {DIK_VOLUMEDOWN, "VOLUMEDOWN", "Volume Down"},
    {DIK_VOLUMEUP, "VOLUMEUP", "Volume Up"},
    {DIK_WEBHOME, "WEBHOME", "Web Home"},
    {DIK_NUMPADCOMMA, "NUMPADCOMMA", "Num ,"},
    {DIK_DIVIDE, "DIVIDE", "Num /"},
    {DIK_SYSRQ, "SYSRQ", "Print Screen"},
    {DIK_RMENU, "RMENU", "Right Alt"},
    {DIK_PAUSE, "PAUSE", "Pause"},
    {DIK_HOME, "HOME", "Home"},
    {DIK_UP, "UP", "Up Arrow"},
    {DIK_PRIOR, "PRIOR", "Page Up"},
    {DIK_LEFT, "LEFT", "Left Arrow"},
    {DIK_RIGHT, "RIGHT", "Right Arrow"},
    {DIK_END, "END", "End"},
    {DIK_DOWN, "DOWN", "Down Arrow"},
    {DIK_NEXT, "NEXT", "Page Down"},
    {DIK_INSERT, "INSERT", "Insert"},
    {DIK_DELETE, "DELETE", "Delete"},
    {DIK_LWIN, "LWIN", "Left Windows"},
    {DIK_RWIN, "RWIN", "Right Windows"},
    {DIK_APPS, "APPS", "Application"},
    {DIK_POWER, "POWER", "Power"},
    {DIK_SLEEP, "SLEEP", "Sleep"},
    {DIK_WAKE, "WAKE", "Wake"},
    {DIK_WEBSEARCH, "WEBSEARCH", "Web Search"},
    {DIK_WEBFAVORITES, "WEBFAVORITES", "Web Favorites"},
    {DIK_WEBREFRESH, "WEBREFRESH", "Web Refresh"},
    {DIK_WEBSTOP, "WEBSTOP", "Web Stop"},
    {DIK_WEBFORWARD, "WEBFORWARD", "Web Forward"},
    {DIK_WEBBACK, "WEBBACK", "Web Back"},
    {DIK_MYCOMPUTER, "MYCOMPUTER", "My Computer"},
    {DIK_MAIL, "MAIL", "Mail"},
    {DIK_MEDIASELECT, "MEDIASELECT", "Media Select"},
};

// DirectInput's second names for some keys.
struct Alias {
  const char* id;
  int code;
};
constexpr Alias kAliases[] = {
    {"BACKSPACE", DIK_BACK},       {"NUMPADSTAR", DIK_MULTIPLY},  {"LALT", DIK_LMENU},
    {"CAPSLOCK", DIK_CAPITAL},     {"NUMPADMINUS", DIK_SUBTRACT}, {"NUMPADPLUS", DIK_ADD},
    {"NUMPADPERIOD", DIK_DECIMAL}, {"NUMPADSLASH", DIK_DIVIDE},   {"RALT", DIK_RMENU},
    {"UPARROW", DIK_UP},           {"PGUP", DIK_PRIOR},           {"LEFTARROW", DIK_LEFT},
    {"RIGHTARROW", DIK_RIGHT},     {"DOWNARROW", DIK_DOWN},       {"PGDN", DIK_NEXT},
    {"CIRCUMFLEX", DIK_PREVTRACK},
};

const KeyInfo* Find(int code) {
  // Built once: scan code -> table entry.
  static const std::array<const KeyInfo*, 256> index = [] {
    std::array<const KeyInfo*, 256> a{};
    for (const KeyInfo& k : kKeys) a[static_cast<std::size_t>(k.code)] = &k;
    return a;
  }();
  if (code < 0 || code > 255) return nullptr;
  return index[static_cast<std::size_t>(code)];
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

}  // namespace

std::string DikKeyName(int code) {
  const KeyInfo* k = Find(code);
  return k ? k->name : "";
}

std::string_view DikIdentifier(int code) {
  const KeyInfo* k = Find(code);
  return k ? std::string_view(k->id) : std::string_view();
}

std::optional<int> ParseDikName(std::string_view name) {
  if (name.size() > 4 && EqualsNoCase(name.substr(0, 4), "DIK_")) name.remove_prefix(4);
  if (name.empty()) return std::nullopt;
  for (const KeyInfo& k : kKeys) {
    if (EqualsNoCase(name, k.id)) return k.code;
  }
  for (const Alias& a : kAliases) {
    if (EqualsNoCase(name, a.id)) return a.code;
  }
  return std::nullopt;
}

std::optional<KeyStroke> KeyForChar(unsigned char c) {
  static constexpr const char* kRows[] = {"1234567890", "qwertyuiop", "asdfghjkl", "zxcvbnm"};
  static constexpr int kRowStart[] = {DIK_1, DIK_Q, DIK_A, DIK_Z};
  for (int r = 0; r < 4; ++r) {
    for (int i = 0; kRows[r][i] != '\0'; ++i) {
      if (c == static_cast<unsigned char>(kRows[r][i])) return KeyStroke{kRowStart[r] + i, false};
      if (r > 0 && c == std::toupper(static_cast<unsigned char>(kRows[r][i]))) return KeyStroke{kRowStart[r] + i, true};
    }
  }
  // Shifted digits and punctuation of the US layout.
  struct Punct {
    char ch;
    int code;
    bool shift;
  };
  static constexpr Punct kPunct[] = {
      {'!', DIK_1, true},           {'@', DIK_2, true},         {'#', DIK_3, true},
      {'$', DIK_4, true},           {'%', DIK_5, true},         {'^', DIK_6, true},
      {'&', DIK_7, true},           {'*', DIK_8, true},         {'(', DIK_9, true},
      {')', DIK_0, true},           {'-', DIK_MINUS, false},    {'_', DIK_MINUS, true},
      {'=', DIK_EQUALS, false},     {'+', DIK_EQUALS, true},    {'[', DIK_LBRACKET, false},
      {'{', DIK_LBRACKET, true},    {']', DIK_RBRACKET, false}, {'}', DIK_RBRACKET, true},
      {';', DIK_SEMICOLON, false},  {':', DIK_SEMICOLON, true}, {'\'', DIK_APOSTROPHE, false},
      {'"', DIK_APOSTROPHE, true},  {'`', DIK_GRAVE, false},    {'~', DIK_GRAVE, true},
      {'\\', DIK_BACKSLASH, false}, {'|', DIK_BACKSLASH, true}, {',', DIK_COMMA, false},
      {'<', DIK_COMMA, true},       {'.', DIK_PERIOD, false},   {'>', DIK_PERIOD, true},
      {'/', DIK_SLASH, false},      {'?', DIK_SLASH, true},     {' ', DIK_SPACE, false},
      {'\b', DIK_BACK, false},      {'\t', DIK_TAB, false},     {'\r', DIK_RETURN, false},
      {'\x1b', DIK_ESCAPE, false},
  };
  for (const Punct& p : kPunct) {
    if (c == static_cast<unsigned char>(p.ch)) return KeyStroke{p.code, p.shift};
  }
  return std::nullopt;
}

}  // namespace krel
