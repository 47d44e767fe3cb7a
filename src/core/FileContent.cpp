#include "FileContent.h"

#include <fstream>
#include <iterator>
#include <system_error>

namespace velkaro {

std::optional<std::string> ReadFileContent(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::string content{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) return std::nullopt;
  return content;
}

bool ReplaceFileContent(const std::filesystem::path& file, std::string_view content) {
  std::filesystem::path temporary = file;
  temporary += ".new";
  bool written = false;
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.flush();
    written = static_cast<bool>(out);
  }
  std::error_code error;
  if (written) {
    std::filesystem::rename(temporary, file, error);
    if (!error) return true;
  }
  std::filesystem::remove(temporary, error);
  return false;
}

}  // namespace velkaro
