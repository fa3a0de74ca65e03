#include "tools/krel-arms/tool.h"

#include <fstream>
#include <iterator>
#include <memory>

#include "client/simulation/weapons/arms.h"
#include "tools/krel-arms/lint.h"
#include "tools/krel-arms/report.h"

namespace krel {
namespace {

constexpr const char* kUsage =
    "usage: krel-arms check [--strict] FILE   load FILE as the game does; print ok and the counts, then\n"
    "                                         warnings about likely mistakes, or the error\n"
    "       krel-arms dump FILE               print the three tables of FILE as JSON\n"
    "       krel-arms --help                  print this text\n"
    "Exit status: 0 loaded, 1 not loaded (or warnings with --strict), 2 wrong command line.\n";

std::string Count(int n, const char* noun) {
  std::string text = std::to_string(n);
  text += ' ';
  text += noun;
  if (n != 1) text += 's';
  return text;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

int RunArmsTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    out << kUsage;
    return 0;
  }
  std::vector<std::string> rest = args;
  bool strict = false;
  if (!rest.empty() && rest[0] == "check") {
    for (auto it = rest.begin() + 1; it != rest.end(); ++it) {
      if (*it == "--strict") {
        strict = true;
        rest.erase(it);
        break;
      }
    }
  }
  if (rest.size() != 2 || (rest[0] != "check" && rest[0] != "dump")) {
    err << kUsage;
    return 2;
  }
  const std::string& path = rest[1];
  auto weapons = std::make_unique<WeaponTable>();
  auto objs = std::make_unique<ObjTable>();
  auto sobjs = std::make_unique<SObjTable>();
  ArmsError error;
  if (!LoadArms(*weapons, *objs, *sobjs, path, error)) {
    err << error.Message() << "\n";
    return 1;
  }
  if (rest[0] == "dump") {
    out << ArmsJson(*weapons, *objs, *sobjs);
    return 0;
  }
  const ArmsCounts c = CountArms(*weapons, *objs, *sobjs);
  out << "ok: " << Count(c.weapons, "weapon") << ", " << Count(c.objects, "object") << ", "
      << Count(c.special_objects, "special object") << "\n"
      << "(counted are those that hold a name or any non-zero value: weapons 1-41, objects 1-30, "
         "special objects 1-20; the bonus crates, the keys before the first ORDER, are "
      << (c.bonus_item ? "set" : "empty") << ")\n";
  const std::string bytes = ReadBytes(path);
  // Not a mistake: LF loads like CR LF; said because the shipped file has CR LF.
  if (HasLoneLineFeed(bytes))
    out << "note: the file has LF line ends; the game reads LF and CR LF alike (the shipped file has CR LF)\n";
  std::vector<std::string> warnings = LintArms(bytes, *weapons, *objs, *sobjs);
  for (const std::string& w : warnings) out << "warning: " << w << "\n";
  return strict && !warnings.empty() ? 1 : 0;
}

}  // namespace krel
