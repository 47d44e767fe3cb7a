#pragma once

#include <string_view>
#include <vector>

#include "GetArgs.h"

namespace velkaro {

// For each film among the paths: probe, search, rank, fetch the best row
// that fits and make it ready beside the videos, trying up to three rows.
// stdout: one line per video (path, subtitle written, site, score; or one
// JSON object); a dry run lists each film's best rows instead. Exit status:
// 0 every film has a subtitle, 1 some have none, 2 bad usage, 130 Ctrl+C.
int RunGetCommand(const std::vector<std::string_view>& args);

}  // namespace velkaro
