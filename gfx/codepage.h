// The game's text is single bytes in the Windows ANSI code page (1252): names
// typed by players, the font's character codes, performance.log. The desktop
// speaks UTF-8; these convert at the edges.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace krel {

// Unicode code point of a Windows-1252 byte. The five bytes the code page
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the same number.
std::uint32_t Cp1252ToCodePoint(unsigned char b);

// Windows-1252 byte of a code point; -1 when the code page has no such
// character.
int CodePointToCp1252(std::uint32_t cp);

// UTF-8 to Windows-1252: characters without a byte and malformed sequences
// are dropped, never guessed.
std::string Utf8ToCp1252(std::string_view utf8);
// The same, but each character without a byte and each malformed sequence
// becomes replacement (for text a person wrote, where a dropped letter would
// go unnoticed).
std::string Utf8ToCp1252(std::string_view utf8, char replacement);

// The code page 437 code of a Windows-1252 byte (the font's cells are in
// code page 437 order); -1 when code page 437 has no such character.
// Control bytes and DEL have none.
int Cp437FromCp1252(unsigned char b);

// Windows-1252 to UTF-8.
std::string Cp1252ToUtf8(std::string_view text);

// Capitals of Windows-1252 text: a..z, the accented small letters and
// the few small letters of 0x80..0x9F that have a capital in the code page
// (s and z with caron, oe, y with diaeresis). Everything else is unchanged,
// sharp s included.
std::string Cp1252Upper(std::string_view text);

}  // namespace krel
