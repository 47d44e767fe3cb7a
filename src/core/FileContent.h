#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace velkaro {

// The whole file as bytes; nullopt when it cannot be opened or read.
std::optional<std::string> ReadFileContent(const std::filesystem::path& file);

// Writes beside the file and renames over it, so a failed write never leaves
// a half-written file or loses the old one. False on failure.
bool ReplaceFileContent(const std::filesystem::path& file, std::string_view content);

}  // namespace velkaro
