// The key tables of data/README.md against the loader's own field tables:
// every key the game reads is described, with the form it is stored in, and
// no key is described that the game does not read.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "client/simulation/weapons/arms_fields.h"

namespace krel {
namespace {

// Key -> "Stored as" of the table under heading, read up to the next heading.
std::map<std::string, std::string> DescribedKeys(const std::string& guide, const std::string& heading) {
  std::map<std::string, std::string> keys;
  std::size_t at = guide.find("\n" + heading + "\n");
  if (at == std::string::npos) return keys;
  std::istringstream lines(guide.substr(at + heading.size() + 2));
  for (std::string line; std::getline(lines, line) && line.rfind("#", 0) != 0;) {
    if (line.rfind("| `", 0) != 0) continue;
    const std::size_t key_end = line.find('`', 3);
    const std::size_t form_start = line.find("| ", key_end) + 2;
    const std::string key = line.substr(3, key_end - 3);
    EXPECT_FALSE(keys.contains(key)) << heading << ": " << key << " is described twice";
    keys[key] = line.substr(form_start, line.find(" |", form_start) - form_start);
  }
  return keys;
}

std::string FormName(ValueForm form) {
  switch (form) {
    case ValueForm::kInteger: return "number";
    case ValueForm::kHalved: return "halved";
    case ValueForm::kHalvedPlusOne: return "halved + 1";
    case ValueForm::kLenient: return "lenient";
    case ValueForm::kText: return "text";
  }
  return "?";
}

template <typename Def, std::size_t N>
std::map<std::string, std::string> LoaderKeys(const std::array<FieldSpec<Def>, N>& fields) {
  std::map<std::string, std::string> keys;
  for (const FieldSpec<Def>& f : fields) keys[std::string(f.key)] = FormName(f.form);
  return keys;
}

TEST(ArmsReference, TheGuideDescribesExactlyTheKeysTheLoaderReads) {
  std::ifstream in(std::string(KREL_SOURCE_DIR) + "/data/README.md");
  ASSERT_TRUE(in) << "data/README.md";
  const std::string guide{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};

  std::map<std::string, std::string> weapons = LoaderKeys(kWeaponFields);
  // Read by the loader itself rather than from the table.
  weapons["ORDER"] = "lenient";
  weapons["NAME"] = FormName(ValueForm::kText);
  EXPECT_EQ(DescribedKeys(guide, "### Weapon keys"), weapons);
  EXPECT_EQ(DescribedKeys(guide, "### Object keys"), LoaderKeys(kObjFields));
  EXPECT_EQ(DescribedKeys(guide, "### Special-object keys"), LoaderKeys(kSObjFields));
}

}  // namespace
}  // namespace krel
