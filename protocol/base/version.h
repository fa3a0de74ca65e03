// The version people see. The wire and the announcements keep their own
// version text (kVersionText in protocol/field_codec.h); this is what the
// programs' --version and the game's menu show.
#pragma once

#include <string>
#include <string_view>

namespace krel {

inline constexpr std::string_view kReleaseName = "Krel 0.82";

// The commit the programs were built from ("unknown" outside a git checkout).
std::string_view BuildId();

// "Krel 0.82 (build 1a2b3c4d)".
std::string VersionLine();

}  // namespace krel
