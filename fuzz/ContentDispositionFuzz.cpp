#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "DownloadRequest.h"

// Any header value: the extension is empty or a "." with no ";" after it, and
// the file name made with it never names another folder.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view value(reinterpret_cast<const char*>(data), size);
  const std::string extension = velkaro::ContentDispositionExtension(value);
  if (!extension.empty() && (extension.front() != '.' || extension.find(';') != std::string::npos)) __builtin_trap();
  const std::string name = velkaro::ProposedFileName(value, "1", "25", extension);
  if (name.find('/') != std::string::npos) __builtin_trap();
  return 0;
}
