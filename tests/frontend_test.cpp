// The menu screens: the main menu's pages, latch and limits, the player
// editor, weapon selection, and whole menu runs driven by key scripts that
// save the settings and read them back in a new run.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "client/app/game.h"
#include "client/frontend/edit_player.h"
#include "client/frontend/menu.h"
#include "client/frontend/results.h"
#include "client/frontend/select_server.h"
#include "client/frontend/select_weapons.h"
#include "client/net/list_query.h"
#include "client/net/net_client.h"
#include "client/net/server_watch.h"
#include "client/present/display_state.h"
#include "client/present/text.h"
#include "client/simulation/worms/input.h"
#include "core_test_support.h"
#include "platform/headless/headless_platform.h"
#include "platform/keycodes.h"
#include "platform/script_input.h"
#include "platform/settings.h"
#include "protocol/open_play.h"

namespace krel {
namespace {

using namespace krel::testing;
using namespace std::string_literals;

// The keys held in one pass, one character each: U D L R (cursor keys, also
// player 1's), N Enter, E Escape, S player 1's shoot; u d l r s player 2's
// up, down, left, right and shoot; - none.
KeySnapshot Keys(const std::string& held) {
  static const std::string names = "UDLRNESudlrs";
  static const int codes[] = {DIK_UP, DIK_DOWN, DIK_LEFT, DIK_RIGHT, DIK_RETURN, DIK_ESCAPE,
                              DIK_J,  DIK_E,    DIK_D,    DIK_S,     DIK_F,      DIK_Y};
  KeySnapshot k;
  for (char c : held)
    if (std::size_t i = names.find(c); i != std::string::npos) k.Set(codes[i], true);
  return k;
}

// Runs one pass per space-separated group of keys; false once the screen ended.
template <typename State, typename Handle>
bool Passes(World& w, State& s, const std::string& passes, Handle handle) {
  for (std::size_t at = 0; at <= passes.size();) {
    std::size_t end = std::min(passes.find(' ', at), passes.size());
    if (!handle(w, s, Keys(passes.substr(at, end - at)))) return false;
    at = end + 1;
  }
  return true;
}
bool MenuPasses(World& w, MenuState& m, const std::string& passes, MenuCommand* last = nullptr) {
  return Passes(w, m, passes, [&](World& ww, MenuState& mm, const KeySnapshot& k) {
    MenuCommand c = HandleMenuKeys(ww, mm, k);
    if (last != nullptr) *last = c;
    return true;
  });
}
bool EditorPasses(World& w, EditorState& e, const std::string& passes) {
  return Passes(w, e, passes, HandleEditorKeys);
}
bool WeaponPasses(World& w, WeaponChoice& c, const std::string& passes) {
  return Passes(w, c, passes, HandleWeaponKeys);
}

struct ScreenRig {
  HeadlessPlatform platform;
  std::unique_ptr<World> w = std::make_unique<World>();
  ScreenRig() {
    w->platform = &platform;
    w->Seed(5);
    SetDefaultKeys(*w);
    initkeys(*w);
    for (int n = 0; n < 40; ++n)  // weapon n: ammunition 10 (n + 1)
      w->WeaponDefs[static_cast<std::size_t>(n + 1)].AMMO = static_cast<int16>(10 * (n + 1));
  }
  std::vector<int> Sounds() const {
    std::vector<int> s;
    for (auto [voice, n] : platform.plays()) s.push_back(n);
    return s;
  }
};

// One screen's tests on one rig.
struct OneRig : ::testing::Test {
  ScreenRig r;
  World& w = *r.w;
};
using WeaponSelection = OneRig;
using Results = OneRig;

TEST(MainMenu, SelectionCyclesOnItsPageAndEachPressActsOnce) {
  const std::tuple<int, const char*, int, MenuCommand> cases[] = {
      {kItemQuit, "D", kItemLocalGame, MenuCommand::kNone},
      {kItemLocalGame, "D D D D - D", kItemOptions, MenuCommand::kNone},  // held: one step per press
      {kItemLocalGame, "D U D U", kItemNetworkGame, MenuCommand::kNone},  // another key is no release
      {kItemLives, "U", kItemVolume, MenuCommand::kNone},
      {kItemLocalGame, "N N", kItemLocalGame, MenuCommand::kNone},  // Enter still held after a game
  };
  for (const auto& [start, keys, selected, command] : cases) {
    ScreenRig r;
    MenuState m;
    m.selected = start;
    MenuCommand last = MenuCommand::kNone;
    MenuPasses(*r.w, m, keys, &last);
    EXPECT_EQ(std::tuple(m.selected, last), std::tuple(selected, command)) << start << " " << keys;
  }
  ScreenRig r;
  MenuState m;
  MenuPasses(*r.w, m, "D - U - N");
  EXPECT_EQ(r.Sounds(), (std::vector<int>{27, 26, 28}));
  // The cursor marks the selected item alone, whether the blink is on or off.
  for (int item : {kItemLocalGame, kItemQuit, kItemLives, kItemVolume})
    for (bool blink : {false, true}) {
      std::vector<std::string> chosen;
      for (const TextLine& l : MenuLines(*r.w, MenuState{item, blink}))
        if (l.chosen) chosen.push_back(l.text);
      EXPECT_EQ(chosen.size(), 1u) << item;
      EXPECT_NE(chosen.front(), " ON") << item;
    }
}

TEST(Screens, TheChosenLineStandsOnADarkBarKeptInsideTheScreen) {
  World w;
  Surface& back = DisplayOf(w).Back;
  back.Clear(0x1234);
  DrawLines(w, {{"AB", 20, 10, 2, true}, {"CD", 20, 30, 2}, {"RUNS OFF THE EDGE", 290, 50, 2, true}});
  // From under the arrow to one pixel past the text; the other line has none.
  EXPECT_EQ(std::vector<Pixel>({back.At(11, 9), back.At(32, 18), back.At(33, 10), back.At(10, 10), back.At(20, 31)}),
            std::vector<Pixel>({0, 0, 0x1234, 0x1234, 0x1234}));
  EXPECT_EQ(std::tuple(back.At(281, 50), back.At(319, 50)), std::tuple(Pixel{0}, Pixel{0}));
}

TEST(MainMenu, OptionsKeepToTheirLimits) {
  // The keys, each followed by a pass with none, `times` times over.
  const std::tuple<int, std::string, int, int, int, flag, flag> cases[] = {
      {kItemLives, "R", 40, 50, 100, kTrue, kTrue},
      {kItemLives, "L", 20, 1, 100, kTrue, kTrue},
      {kItemLoading, "L", 25, 15, 5, kTrue, kTrue},  // 5 is as low as it goes
      {kItemLoading, "R", 90, 15, 500, kTrue, kTrue},
      {kItemRegenerate, "N - N - N - R L", 1, 15, 100, kFalse, kTrue},
      {kItemLoadAndChange, "N N", 1, 15, 100, kTrue, kFalse},
  };
  // The volume: steps of 10 within 0 (shown OFF) and 100; full screen switches.
  ScreenRig v;
  MenuState vm{kItemVolume};
  const auto shown = [&](int item) {
    std::vector<TextLine> lines = MenuLines(*v.w, vm);
    return lines[static_cast<std::size_t>(lines.size() - (item == kItemVolume ? 1 : 2))].text;
  };
  for (int i = 0; i < 12; ++i) MenuPasses(*v.w, vm, "L -");
  EXPECT_EQ(std::tuple(v.platform.volume(), shown(kItemVolume)), std::tuple(0, " OFF"));
  MenuPasses(*v.w, vm, "R - R");
  EXPECT_EQ(std::tuple(v.platform.volume(), shown(kItemVolume)), std::tuple(20, " 20"));
  vm.selected = kItemFullscreen;
  MenuPasses(*v.w, vm, "- N");
  EXPECT_EQ(std::tuple(v.w->Fullscreen, v.platform.fullscreen(), shown(kItemFullscreen)),
            std::tuple(kFalse, false, " OFF"));

  for (const auto& [item, keys, times, lives, loading, regenerate, load_and_change] : cases) {
    ScreenRig r;
    MenuState m;
    m.selected = item;
    for (int i = 0; i < times; ++i) MenuPasses(*r.w, m, keys + " -");
    const World& w = *r.w;
    EXPECT_EQ(std::tuple(w.LivesSetting, w.LoadingSetting, w.RegenerateLevel, w.LoadAndChange),
              std::tuple(lives, loading, regenerate, load_and_change))
        << item << " " << keys;
  }
}

TEST(PlayerEditor, LinesWrapAndEscapeLeavesOnlyWhenReleasedAndNotEditing) {
  const std::tuple<int, const char*, int, bool> cases[] = {
      {1, "D D", 1, true},  // keys held from the menu act only once released
      {1, "D - D", 2, true}, {10, "- D", 1, true},
      {1, "E", 1, true},     {1, "- N E - E", 1, true},  // editing the name: the keys do nothing
  };
  for (const auto& [start, keys, line, stays] : cases) {
    ScreenRig r;
    EditorState e;
    e.line = start;
    EXPECT_EQ(std::tuple(EditorPasses(*r.w, e, keys), e.line), std::tuple(stays, line)) << start << " " << keys;
  }
}

TEST(PlayerEditor, NameEditingReplacesTheOldNameAndStopsAtSixteen) {
  const std::tuple<std::string, std::string, std::string, bool> cases[] = {
      {"Player 1", "Anna-Lena M\xFCller", "Anna-Lena M\xFCller", true},  // the first key replaces the name
      {"Player 1", "Anna-Lena Schmidt", "Anna-Lena Schmid", true},       // a 17th character is ignored
      {"Ann", "\bBo", "Bo", true},                                       // backspace first clears it too
      {"Ann", "\b\b\b\bBo", "Bo", true},
      {"Ann", "a\rbc", "a", false},   // Enter ends editing; what follows is not typed
      {"Ann", "\x1b", "Ann", false},  // Escape at once keeps the old name
  };
  for (const auto& [name, typed, result, editing] : cases) {
    ScreenRig r;
    World& w = *r.w;
    w.MenuName[1] = name;
    EditorState e;
    EditorPasses(w, e, "- N");
    w.TypedText = typed;
    EditorPasses(w, e, "N");  // still held: the typing alone acts
    EXPECT_EQ(std::tuple(w.MenuName[1], e.editing, w.TypedText), std::tuple(result, editing, ""s)) << typed;
    // At the limit the screen says so.
    const bool full = editing && result.size() == kMaxTypedName;
    const std::vector<TextLine> lines = EditorLines(w, e);  // the editor's lines, then its notes
    EXPECT_EQ(lines.size() > kEditorLines && lines[kEditorLines].text == "16 CHARACTERS AT MOST", full) << typed;
  }
}

TEST(PlayerEditor, KeyCaptureAndTheColourLimit) {
  ScreenRig r;
  World& w = *r.w;
  EditorState e;
  e.player = 2;
  // Line 4 (right) waits for a key; Q becomes the binding.
  EditorPasses(w, e, "- D - D - D - N -");
  EXPECT_EQ(std::tuple(e.editing, w.KeyMap[2][kRight]), std::tuple(true, DIK_F));
  w.LastKey = DIK_Q;
  EditorPasses(w, e, "-");
  EXPECT_EQ(std::tuple(w.KeyMap[2][kRight], e.editing, w.KeyMap[1][kRight]), std::tuple(DIK_Q, false, DIK_RIGHT));
  // Capturing Down (set free first): the held key does not also move the selection.
  w.KeyMap[1][kDown] = DIK_NUMPAD2;
  EditorPasses(w, e, "- N");
  EXPECT_EQ(EditorLines(w, e)[3].text + " " + EditorLines(w, e)[kEditorLines].text, "RIGHT KEY: _ PRESS A KEY");
  w.LastKey = DIK_DOWN;
  EditorPasses(w, e, "D D");
  EXPECT_EQ(std::tuple(w.KeyMap[2][kRight], e.line), std::tuple(DIK_DOWN, 4));
  // A key another control has is refused, with a note, and the editor waits
  // on; Escape then keeps the old key and does not leave the screen.
  EditorPasses(w, e, "- N");
  w.LastKey = DIK_J;  // player 1's shoot
  EditorPasses(w, e, "-");
  EXPECT_EQ(std::tuple(w.KeyMap[2][kRight], e.editing, EditorLines(w, e)[kEditorLines + 1].text),
            std::tuple(DIK_DOWN, true, "PLAYER 1'S SHOOT KEY"s));
  w.LastKey = DIK_ESCAPE;
  EXPECT_TRUE(EditorPasses(w, e, "E E"));
  EXPECT_EQ(std::tuple(w.KeyMap[2][kRight], e.editing), std::tuple(DIK_DOWN, false));
  EXPECT_EQ(EditorLines(w, e)[2].text, "LEFT KEY: S");

  // The colour runs on by one per pass while an arrow is held, up to 360.
  e.line = 2;
  w.MenuColor[2] = 357;
  EditorPasses(w, e, "R R R R R");
  EXPECT_EQ(w.MenuColor[2], 360);
}

TEST(PlayerEditor, ControllerLineCyclesHumanCpuAceStrengthsAndSettingsNameTheChoice) {
  ScreenRig r;
  World& w = *r.w;
  EditorState e;
  e.player = 1;
  EditorPasses(w, e, "- U -");  // line 10
  std::vector<std::string> shown;
  for (int k = 0; k < 8; ++k) {
    shown.push_back(EditorLines(w, e)[9].text);
    EditorPasses(w, e, "N -");
  }
  EXPECT_EQ(shown, (std::vector<std::string>{"CONTROLLER: HUMAN", "CONTROLLER: CPU", "CONTROLLER: ACE 1",
                                             "CONTROLLER: ACE 2", "CONTROLLER: ACE 3", "CONTROLLER: ACE 4",
                                             "CONTROLLER: ACE 5", "CONTROLLER: HUMAN"}));
  // "1" keeps meaning the simple computer player; "2" is the ace.
  EXPECT_EQ(std::vector<flag>({ControllerFromSetting("0"), ControllerFromSetting("1"), ControllerFromSetting("2"),
                               ControllerFromSetting("x")}),
            std::vector<flag>({kControllerHuman, kControllerCpu, kControllerAce, kControllerHuman}));
}

TEST_F(WeaponSelection, BothColumnsMoveAtOnceAndTheWheelWraps) {
  WeaponChoice c;
  w.Players[1].WeaponSlots[0] = 39;
  w.Players[2].WeaponSlots[4] = 0;
  // Player 1 down to its first weapon, player 2 up round to "Done" and then
  // to its last weapon; a held key moves once, another key is no release.
  ASSERT_TRUE(WeaponPasses(w, c, "- Du Du Du - R u r - r"));
  EXPECT_EQ(std::tuple(c.selection[1], c.selection[2]), std::tuple(1, 5));
  EXPECT_EQ(std::tuple(w.Players[1].WeaponSlots[0], w.Players[2].WeaponSlots[4]), std::tuple(0, 1));
  ASSERT_TRUE(WeaponPasses(w, c, "L Ll - L"));
  EXPECT_EQ(std::tuple(w.Players[1].WeaponSlots[0], w.Players[2].WeaponSlots[4]), std::tuple(38, 0));
  EXPECT_EQ(w.Players[1].Ammo[0], fixed(390));
}

// A column's name, cursor, state and key lines, parted by "|".
std::string ColumnText(const World& w, const WeaponChoice& c, int x) {
  std::string s;
  for (const TextLine& l : WeaponLines(w, c)) {
    if (l.x != x) continue;
    if (l.chosen) s += "|>";
    if (l.y < 40 || l.y > 100) s += (s.empty() ? "" : "|") + l.text;
  }
  return s;
}

TEST_F(WeaponSelection, ShootRerollsWhileHeldAndConfirmsDone) {
  RollWeapons(w, 1);
  RollWeapons(w, 2);
  WeaponChoice c;
  std::set<std::array<int16, 5>> seen{w.Players[1].WeaponSlots};
  const auto p2 = w.Players[2].WeaponSlots;
  for (int i = 0; i < 4; ++i) {
    ASSERT_TRUE(WeaponPasses(w, c, "S"));
    seen.insert(w.Players[1].WeaponSlots);
  }
  EXPECT_EQ(std::tuple(seen.size(), w.Players[2].WeaponSlots), std::tuple(5u, p2));
  // Player 1 confirms: its column says so and has no cursor, while player 2
  // keeps choosing.
  ASSERT_TRUE(WeaponPasses(w, c, "- U S d - d"));
  EXPECT_EQ(std::tuple(c.selection[1], c.selection[2]), std::tuple(kFinished, 2));
  EXPECT_EQ(ColumnText(w, c, 20), "Player 1|READY|UP/DOWN MOVES|LEFT/RIGHT CHANGES|J PICKS");
  EXPECT_EQ(ColumnText(w, c, 180), "Player 2|>|CHOOSING|E/D MOVES|S/F CHANGES|Y PICKS");
  // A finished player comes back with up at its last weapon, with down at "Randomize".
  for (const auto& [keys, line] : {std::pair("- U", 5), std::pair("- D", kLineRandomize)}) {
    WeaponChoice back = c;
    ASSERT_TRUE(WeaponPasses(w, back, keys));
    EXPECT_EQ(back.selection[1], line) << keys;
  }
  // The second "Done" ends the screen at the next pass; Escape at once.
  EXPECT_TRUE(WeaponPasses(w, c, "- u - u - u - s"));
  EXPECT_FALSE(WeaponPasses(w, c, "-"));
  WeaponChoice any;
  EXPECT_FALSE(WeaponPasses(w, any, "E"));
  // A computer player's five are all different, from the same draws as a
  // person's.
  int repeats = 0;
  for (std::uint64_t seed = 0; seed < 50; ++seed) {
    w.MenuComputer[2] = kControllerHuman;
    w.Seed(seed);
    RollWeapons(w, 2);
    const std::mt19937_64 after = w.rng;
    const std::set<int16> person(w.Players[2].WeaponSlots.begin(), w.Players[2].WeaponSlots.end());
    repeats += person.size() < 5 ? 1 : 0;
    w.MenuComputer[2] = kControllerAce;
    w.Seed(seed);
    RollWeapons(w, 2);
    EXPECT_EQ(std::set<int16>(w.Players[2].WeaponSlots.begin(), w.Players[2].WeaponSlots.end()).size(), 5u);
    EXPECT_EQ(after, w.rng);
  }
  EXPECT_GT(repeats, 0);
}

TEST_F(WeaponSelection, AComputerPlayerIsAlwaysReadySoThePersonsDoneStarts) {
  w.MenuComputer[2] = kControllerCpu;
  WeaponChoice c;
  EXPECT_EQ(ColumnText(w, c, 180).substr(0, 27), "Player 2|>|COMPUTER, READY|");
  EXPECT_TRUE(WeaponPasses(w, c, "- U S"));
  EXPECT_FALSE(WeaponPasses(w, c, "-"));
  // With no person at all a computer player being ready starts nothing.
  w.MenuComputer[1] = kControllerAce;
  WeaponChoice both;
  EXPECT_TRUE(WeaponPasses(w, both, "- U S - -"));
}

TEST(AddressScreen, NotesSayWhereServersComeFromAndHowToNameAListServer) {
  const auto joined = [](const std::vector<std::string>& notes) {
    std::string s;
    for (const std::string& n : notes) s += n + "|";
    return s;
  };
  const std::string none = joined(ServerSourceNotes({}));
  EXPECT_NE(none.find("\"ListServers\"=\"HOST\" UNDER [Network] IN krel.ini"), std::string::npos) << none;
  EXPECT_NE(none.find("KREL_LIST_SERVERS"), std::string::npos) << none;
  EXPECT_EQ(joined(ServerSourceNotes({"a.example", "b.example:4000"})),
            "LAN: ON THIS NETWORK, LIST: FROM A LIST SERVER|LIST SERVERS: a.example b.example:4000|");
}

// The rows of servers heard on the network (after each datagram from one
// server) and of servers a list server names; the longest fit the screen.
TEST(AddressScreen, RowsSayWhatAPlayerCanDoWithAGame) {
  auto w = std::make_unique<World>();
  NetClient n;
  w->net = &n;
  const std::string v(kVersionText), open(kOpenAnnounceText);
  for (const auto& [datagram, row] : std::vector<std::pair<std::string, std::string>>{
           {"+" + v + '\2', "10.0.0.2 (2 worms)"},
           {"+" + open + '\2' + '\7' + '\0' + '\1', "10.0.0.2 (2 worms, SLOWED)"},
           {"+" + open + '\2' + '\7' + '\0' + '\2', "10.0.0.2 (2 worms, SLOWED)"},  // an unknown flag: dropped
           {"+" + open + '\20' + '\0' + '\0' + '\0', "10.0.0.2 (2 worms, FULL)"},
           {"+" + open + '\6' + '\5' + '\20', "10.0.0.2: 5 OF 8 PLACES"},
           {"+" + open + '\20' + '\0' + '\0', "10.0.0.2: FULL"},
           {"+" + v + '\0', "10.0.0.2 (0 worms)"},
           {"-" + v, ""},
           {"+" + open + '\20' + '\0' + '\3', "10.0.0.2: WATCH ONLY"},  // heard only while its game runs
       }) {
    ServerAnnouncement(*w, datagram, "10.0.0.2");
    EXPECT_EQ(n.ServerList.empty() ? "" : ServerListLine(n, n.ServerList[0]), row)
        << ::testing::PrintToString(datagram);
  }
  const ListedServer first_version{.address = "10.0.0.7", .port = 17390, .worms = 3, .running = true};
  auto detailed = [&](int play, int watch, bool running, bool open_play, bool lock_step) {
    return ListedServer{"255.255.255.255", 65535, 16, running, true, play, watch, open_play, lock_step};
  };
  const std::string far = "255.255.255.255:65535";
  for (const auto& [server, row] : std::vector<std::pair<ListedServer, std::string>>{
           {first_version, "10.0.0.7:17390 (3 worms, GAME RUNNING)"},
           {detailed(3, 16, true, true, false), far + ": 3 OF 8 PLACES"},
           {detailed(0, 5, true, true, false), far + ": WATCH ONLY"},
           {detailed(0, 0, true, true, true), far + ": FULL, SLOWED"},
           {detailed(0, 0, true, false, true), far + ": GAME RUNNING, SLOWED"},
           {detailed(7, 0, false, false, true), far + " (16 worms, SLOWED)"},
           {detailed(0, 0, false, false, true), far + " (16 worms, FULL, SLOWED)"},
       }) {
    EXPECT_EQ(ListedServerLine(server), row);
    EXPECT_LE(static_cast<int>(("LIST " + row).size()) * kGlyphAdvance, 320 - 10) << row;
  }
}

TEST_F(Results, EveryWormsScoreAndTheWinnerOrADraw) {
  w.NumPlayers = 2;
  w.LivesSetting = 3;
  w.Players[1].SetName("Ann");
  w.Players[2].SetName("Zed-\xC4rger");
  std::tie(w.Players[1].Lives, w.Players[1].Kills, w.Suicides[1]) = std::tuple(-1, 1, 2);
  std::tie(w.Players[2].Lives, w.Players[2].Kills, w.Suicides[2]) = std::tuple(0, 0, 0);
  auto texts = [this](GameEnd end) {
    std::vector<std::string> t;
    for (const TextLine& l : ResultsLines(w, end)) t.push_back(l.text);
    return t;
  };
  // Title, five heads, two rows of name, kills, deaths, suicides, lives left,
  // the verdict and the prompt. Both show no lives left, but the worm that
  // ran out (Lives -1) lost, whatever its kills.
  EXPECT_EQ(texts(GameEnd::kGameOver),
            (std::vector<std::string>{"GAME OVER", "WORM", "KILLS", "DEATHS", "SUICIDES", "LIVES", "Ann", "1", "4", "2",
                                      "0", "Zed-\xC4rger", "0", "3", "0", "0", "Zed-\xC4rger WINS", "PRESS A KEY"}));
  EXPECT_EQ(texts(GameEnd::kEscape)[16], "Zed-\xC4rger WAS AHEAD");
  w.Players[1].Lives = 0;
  EXPECT_EQ(texts(GameEnd::kGameOver)[16], "Ann WINS");  // level on lives: the kills decide
  w.Players[1].Kills = 0;
  EXPECT_EQ(texts(GameEnd::kGameOver)[16], "A DRAW");
  EXPECT_EQ(texts(GameEnd::kEscape)[16], "NOBODY WAS AHEAD");
}

TEST_F(Results, AKeyHeldFromTheGameMustBeLetGoBeforeAPressEndsTheScreen) {
  InputScript script;
  std::string error;
  ASSERT_TRUE(ParseInputScript("3 ESCAPE\n2 -\n1 SPACE\n5 -\n", "keys", script, error)) << error;
  ScriptInputPlatform scripted(r.platform, std::move(script));
  w.platform = &scripted;
  ShowResults(w, GameEnd::kEscape);
  EXPECT_EQ(std::pair(scripted.reads(), w.QuitRequested), std::pair(std::uint64_t{6}, false));
}

TEST(MenuRun, ClosingTheWindowEndsEveryScreenAtOnceWithoutSaving) {
  // The script ends (the window closes) in the player editor, in weapon
  // selection while Enter is held, in weapon selection itself, in the menu.
  for (const char* keys : {"1 -\n1 DOWN\n1 -\n1 DOWN\n1 -\n1 RETURN\n1 -\n1 UP\n1 -\n1 RETURN\n5 -\n",
                           "1 -\n1 RETURN\n", "1 -\n1 RETURN\n1 -\n2 DOWN\n", "3 DOWN\n"}) {
    TempCwd tmp;
    IniSettingsStore store((tmp.path() / "krel.ini").string());
    ScreenRig r;
    InputScript script;
    std::string error;
    ASSERT_TRUE(ParseInputScript(keys, "keys", script, error)) << error;
    ScriptInputPlatform scripted(r.platform, std::move(script));
    r.w->platform = &scripted;
    r.w->settings = &store;
    initkeys(*r.w);
    MainScreen(*r.w, Game);
    EXPECT_EQ(std::tuple(r.w->QuitRequested, store.files_written()), std::tuple(true, 0)) << keys;
  }
}

}  // namespace
}  // namespace krel
