// The running program as the runtime describes it.
#pragma once

#include <string>
#include <string_view>

namespace orvane::platform {

// The caption of every message the program shows.
inline constexpr std::string_view kAppTitle = "Orvane";

// The running executable's file name without folder and extension ("orvane").
const std::string& AppExeName();

// The program's version ("0.1.0"), as its package carries it.
std::string_view AppVersion();

}  // namespace orvane::platform
