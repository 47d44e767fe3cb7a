#include "ProxyFile.h"

#include <fstream>
#include <iterator>

#include "TextHelpers.h"

namespace velkaro {

namespace {

TLaunchProxy ProxyOff() { return TLaunchProxy{false, "127.0.0.1", "8989"}; }

}  // namespace

TLaunchProxy ReadLaunchProxy(const std::filesystem::path& file) {
  // No file: no proxy was ever chosen, so none is used and nothing is reported.
  std::error_code error;
  if (!std::filesystem::exists(file, error)) return ProxyOff();
  TLaunchProxy proxy;
  std::ifstream in(file, std::ios::binary);
  if (!in) return proxy;
  const std::string content{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const TLines lines = SplitLines(content);
  if (lines.empty() || lines[0] != "1") return ProxyOff();
  proxy.UseProxy = true;
  if (lines.size() < 2) return proxy;
  const auto pieces = SplitText(lines[1], ":");
  if (!pieces.empty()) proxy.Host = pieces[0];
  if (pieces.size() > 1) proxy.PortText = pieces[1];
  return proxy;
}

}  // namespace velkaro
