#include "ProxyFile.h"

#include <fstream>
#include <iterator>

#include "TextHelpers.h"

namespace velkaro {

TLaunchProxy ReadLaunchProxy(const std::filesystem::path& file) {
  TLaunchProxy proxy;
  std::ifstream in(file, std::ios::binary);
  if (!in) return proxy;
  const std::string content{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const TLines lines = SplitLines(content);
  if (lines.empty() || lines[0] != "1") {
    proxy.Host = "127.0.0.1";
    proxy.PortText = "8989";
    return proxy;
  }
  proxy.UseProxy = true;
  if (lines.size() < 2) return proxy;
  const auto pieces = SplitText(lines[1], ":");
  if (!pieces.empty()) proxy.Host = pieces[0];
  if (pieces.size() > 1) proxy.PortText = pieces[1];
  return proxy;
}

}  // namespace velkaro
