// JSON strings for the machine-readable outputs (the game-end dump, the
// weapon-table dump), written from the game's own single-byte text.
#pragma once

#include <string>
#include <string_view>

namespace krel {

// Appends text, which is in the game's code page, as a JSON string literal.
// Printable ASCII stays as it is (with \" and \\ escaped); every other byte
// is written as a \uXXXX escape of the character the code page gives it, so
// the output is plain ASCII and valid JSON for any bytes at all.
void AppendJsonString(std::string& out, std::string_view text);

}  // namespace krel
