// GFX4: the capital letters A to Z, 3x4 pixels in 4x4 cells (the fourth
// column is the gap), then four blank cells. The game spells weapon names
// with them above bonus crates and worms. '#' is ink, '.' blank.
#include <cstring>

#include "tools/krel-content/palette.h"
#include "tools/krel-content/sprites.h"

namespace krel::content {
namespace {

// Rows of all 26 letters side by side, three columns each and a blank between.
constexpr const char* kLetterRows[4] = {
    // A   B   C   D   E   F   G   H   I   J   K   L   M   N   O   P   Q   R   S   T   U   V   W   X   Y   Z
    ".#. ##. .## ##. ### ### .## #.# ### ..# #.# #.. #.# ##. .#. ##. .#. ##. .## ### #.# #.# #.# #.# #.# ###",
    "#.# ### #.. #.# ##. #.. #.. #.# .#. ..# ##. #.. ### #.# #.# #.# #.# #.# #.. .#. #.# #.# #.# .#. #.# ..#",
    "### #.# #.. #.# #.. ##. #.# ### .#. #.# #.# #.. ### #.# #.# ##. #.# ##. ..# .#. #.# #.# ### .#. .#. #..",
    "#.# ##. .## ##. ### #.. .## #.# ### .#. #.# ### #.# #.# .#. #.. .## #.# ##. .#. ### .#. ### #.# .#. ###",
};

}  // namespace

IndexedImage BuildGfx4(std::vector<std::string>& errors) {
  IndexedImage s(120, 4, kTransparent);
  for (int r = 0; r < 4; ++r) {
    if (std::strlen(kLetterRows[r]) != 26 * 4 - 1) {
      errors.push_back("letter row " + std::to_string(r) + " is " + std::to_string(std::strlen(kLetterRows[r])) +
                       " characters long, expected 103");
      continue;
    }
    for (int letter = 0; letter < 26; ++letter)
      for (int col = 0; col < 3; ++col) {
        const char ch = kLetterRows[r][letter * 4 + col];
        if (ch == '#')
          s.set(letter * 4 + col, r, kWhite);
        else if (ch != '.')
          errors.push_back(std::string("letter ") + static_cast<char>('A' + letter) + ": unexpected '" + ch + "'");
      }
  }
  return s;
}

}  // namespace krel::content
