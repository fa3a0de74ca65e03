#include "protocol/base/version.h"

// Written by the build (cmake/build_id.cmake); a build that does not make it
// (the fuzzers') is of an unknown commit.
#if __has_include("krel_build_id.h")
#include "krel_build_id.h"
#else
#define KREL_BUILD_ID "unknown"
#endif

namespace krel {

std::string_view BuildId() { return KREL_BUILD_ID; }

std::string VersionLine() { return std::string(kReleaseName) + " (build " + std::string(BuildId()) + ")"; }

}  // namespace krel
