// The version the programs print and the package carries. The build reads it from this line for
// the project, the package and the manual pages, so it is set here and nowhere else.
#pragma once

#include <string_view>

namespace orvane::platform {

inline constexpr std::string_view kAppVersion = "0.1.0";

}  // namespace orvane::platform
