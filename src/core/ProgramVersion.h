#pragma once

namespace velkaro {

// The caption, the about window and the start-up version check all show and
// compare this one text.
inline constexpr const char* kProgramVersion = "1.24";

}  // namespace velkaro
