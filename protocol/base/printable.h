// Text read from a file or received from a peer, made fit to stand in a
// message: on a terminal, in a log or in a message box such text must not
// move the cursor, ring the bell, retitle the window or clear the screen.
// Every program quotes outside text through this one helper.
#pragma once

#include <string>
#include <string_view>

namespace krel {

struct PrintableStyle {
  // For text shown between double quotes: '"' and '\' are escaped too.
  bool quoted = false;
  // For text in the game's single-byte code page: every byte from 0x80 is
  // escaped, so the message is plain ASCII.
  bool ascii = false;
};

// Control bytes (0x00-0x1F, 0x7F) become \n, \r, \t or \xHH. Bytes from 0x80
// stay where they form UTF-8 characters other than the C1 controls
// (U+0080-U+009F); every other such byte becomes \xHH. So the result is
// valid UTF-8 without a control character.
std::string Printable(std::string_view text, PrintableStyle style = {});

}  // namespace krel
