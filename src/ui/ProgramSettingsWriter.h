#pragma once

#include <QString>

#include <filesystem>
#include <utility>
#include <vector>

namespace velkaro {

// Writes `values` (key, text) into the [velkaro] section of the settings file
// `file`, keeping its other keys and sections; false when it cannot be written.
bool WriteProgramSettings(const std::filesystem::path& file, const std::vector<std::pair<const char*, QString>>& values);

}  // namespace velkaro
