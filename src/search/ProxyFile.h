#pragma once

#include <filesystem>
#include <string>

namespace velkaro {

inline constexpr const char* kProxyFileName = "proxy.txt";

// The proxy choice as a search launch reads it.
struct TLaunchProxy {
  bool UseProxy = false;
  std::string Host;
  std::string PortText;  // made a number by the caller, which reports a bad one
};

// A first line of exactly "1" turns the proxy on with host and port from the
// second line ("host:port"); any other first line, and a missing file, turn it
// off with the address 127.0.0.1:8989. A file that exists but cannot be read
// leaves host and port empty, which the caller reports as a bad port.
TLaunchProxy ReadLaunchProxy(const std::filesystem::path& file);

}  // namespace velkaro
