// krel-content: makes the game's palette, font, sprite sheets, sound effects
// and levels from the sources in this folder.
//
//   krel-content build OUTDIR              bitmaps, WAVs and resources.cpp
//   krel-content level [--style S] [--seed N] FILE
//                                          a level bitmap (default mixed, seed 1)
//   krel-content contact FILE              the contact sheet of all art
//   krel-content check                     palette and art checks only
//   krel-content icon SIZE FILE            the program's icon as a PNG
//   krel-content --help                    the usage, on standard output
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/sdl/png_encode.h"
#include "protocol/base/file_output.h"
#include "tools/krel-content/content.h"
#include "tools/krel-content/icon.h"
#include "tools/krel-content/level.h"
#include "tools/krel-content/palette.h"
#include "tools/krel-content/writers.h"

namespace {

using namespace krel::content;

constexpr const char* kUsage =
    "usage: krel-content build OUTDIR             the palette, font, sprite sheets and sounds as BMP and WAV\n"
    "                                             files, and resources.cpp, the source that embeds them\n"
    "       krel-content level [--style S] [--seed N] FILE\n"
    "                                             a level bitmap; N is 0 to 18446744073709551615 (default 1),\n"
    "                                             S one of: mixed (default; soil, rock, caves and tunnels, the\n"
    "                                             shipped level's kind), caves (wide caverns in thick rock),\n"
    "                                             islands (open ground, hills and floating islands), tunnels\n"
    "                                             (solid soil crossed by narrow tunnels)\n"
    "       krel-content contact FILE             a contact sheet of every cell, numbered as the weapon file\n"
    "                                             numbers them\n"
    "       krel-content check                    only run the palette and art checks; exit 1 if one fails\n"
    "       krel-content icon SIZE FILE           the worm icon, SIZE x SIZE pixels (16 to 512), as a PNG\n"
    "       krel-content --help                   print this text\n"
    "A FILE of - is standard output. A link is written through to the file it names, a device or a pipe\n"
    "directly; any other file is replaced whole or not at all.\n";

int Usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

// A whole number of 0 to 2^64 - 1 in decimal digits, nothing else.
bool ParseSeed(const std::string& text, std::uint64_t& seed) {
  if (text.empty() || text.size() > 20) return false;
  std::uint64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    const std::uint64_t next = v * 10 + static_cast<std::uint64_t>(c - '0');
    if (next / 10 != v) return false;  // overflow
    v = next;
  }
  seed = v;
  return true;
}

bool ReportErrors(const Content& c) {
  for (const std::string& e : c.errors) std::fprintf(stderr, "krel-content: %s\n", e.c_str());
  return c.errors.empty();
}

bool Write(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::string error;
  if (WriteFile(path, bytes, error)) return true;
  std::fprintf(stderr, "krel-content: %s\n", error.c_str());
  return false;
}

int Build(const std::string& dir) {
  const Content c = BuildContent();
  if (!ReportErrors(c)) return 1;
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) {
    std::fprintf(stderr, "krel-content: cannot create %s: %s\n", dir.c_str(), ec.message().c_str());
    return 1;
  }
  const std::vector<Resource> resources = c.Resources();
  for (const Resource& r : resources)
    if (!Write(dir + "/" + r.file, r.bytes)) return 1;
  const std::string src = ResourceSource(resources);
  return Write(dir + "/resources.cpp", std::vector<std::uint8_t>(src.begin(), src.end())) ? 0 : 1;
}

int Level(int argc, char** argv) {
  LevelOptions options;
  std::string file;
  for (int i = 2; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--seed" && i + 1 < argc) {
      std::uint64_t v = 0;
      if (!ParseSeed(argv[++i], v)) {
        std::fprintf(stderr, "krel-content: --seed: \"%s\" is not a whole number from 0 to 18446744073709551615\n",
                     argv[i]);
        return 2;
      }
      options.seed = v;
    } else if (a == "--style" && i + 1 < argc) {
      const std::optional<LevelStyle> style = ParseLevelStyle(argv[++i]);
      if (!style) {
        std::fprintf(stderr, "krel-content: --style: \"%s\" is not one of mixed, caves, islands, tunnels\n", argv[i]);
        return 2;
      }
      options.style = *style;
    } else if (file.empty() && !a.empty() && (a[0] != '-' || a == "-")) {
      file = a;
    } else {
      return Usage();
    }
  }
  if (file.empty()) {
    std::fputs("krel-content: level: no FILE given to write the level to\n", stderr);
    return Usage();
  }
  const Palette palette = BuildPalette();
  return Write(file, EncodeBmp8(GenerateLevel(options), palette)) ? 0 : 1;
}

int Icon(const std::string& size_text, const std::string& file) {
  std::uint64_t size = 0;
  if (!ParseSeed(size_text, size) || size < 16 || size > 512) {
    std::fprintf(stderr, "krel-content: icon: \"%s\" is not a size from 16 to 512\n", size_text.c_str());
    return 2;
  }
  const Content c = BuildContent();
  if (!ReportErrors(c)) return 1;
  const int n = static_cast<int>(size);
  std::vector<std::uint8_t> rgba = WormIcon(c, n);
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(rgba.data(), n, n, 32, n * 4, SDL_PIXELFORMAT_RGBA32);
  // Encoded in memory, then written as every other output is: whole or not at all.
  std::vector<std::uint8_t> png;
  std::string error;
  const bool encoded = krel::EncodePng(s, png, error);
  if (!encoded) std::fprintf(stderr, "krel-content: cannot encode %s: %s\n", file.c_str(), error.c_str());
  if (s != nullptr) SDL_FreeSurface(s);
  return encoded && Write(file, png) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string cmd = argv[1];
  if ((cmd == "--help" || cmd == "-h") && argc == 2) {
    std::fputs(kUsage, stdout);
    return krel::StandardOutputWritten("krel-content") ? 0 : 1;
  }
  if (cmd == "build" && argc == 3) return Build(argv[2]);
  if (cmd == "level") return Level(argc, argv);
  if (cmd == "contact" && argc == 3) {
    const Content c = BuildContent();
    if (!ReportErrors(c)) return 1;
    return Write(argv[2], EncodeBmp24(ContactSheet(c))) ? 0 : 1;
  }
  if (cmd == "icon" && argc == 4) return Icon(argv[2], argv[3]);
  if (cmd == "check" && argc == 2) return ReportErrors(BuildContent()) ? 0 : 1;
  return Usage();
}
