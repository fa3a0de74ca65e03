// The krel-arms command line, apart from main() so that tests can run it.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace krel {

// args without the program name: "check [--strict] FILE", "dump FILE" or
// "--help". Returns the exit status: 0 success, 1 the file did not load (or
// drew warnings under --strict), 2 a usage error (usage on err; --help
// prints it on out with status 0).
int RunArmsTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace krel
