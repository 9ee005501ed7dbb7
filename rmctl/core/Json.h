// The little JSON rmctl writes: quoted strings and hex words.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace rmctl {

// A JSON string literal: quotes, backslashes and control characters
// escaped; other bytes (the console's code page) pass unchanged.
std::string JsonString(std::string_view text);

}  // namespace rmctl
