#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

// "proxy.txt" (TProgramFile::Proxy): line 1 "1" turns the proxy on, line 2
// holds "host:port". Every reader opens the file when it needs it.

namespace velkaro {

inline constexpr const char* kProxyFileMissing = "Proxy konfig\xFCrasyon dosyas\xFD bulunamad\xFD.";
inline constexpr const char* kProxyFileEmpty = "Proxy dosyas\xFD bo\xFE.";

// The proxy choice as a search launch reads it.
struct TLaunchProxy {
  bool UseProxy = false;
  std::string Host;
  std::string PortText;  // made a number by the caller, which reports a bad one
};

// A first line of exactly "1" turns the proxy on with host and port from the
// second line ("host:port"); any other first line, and a missing file, turn it
// off with the address 127.0.0.1:8989. A file that exists but is empty or
// cannot be read leaves host and port empty, which the caller reports as a bad port.
TLaunchProxy ReadLaunchProxy(const std::filesystem::path& file);

class TProxyFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TProxySetting {
  bool UseProxy = false;
  std::string Host;
  std::int32_t Port = 0;
};

// The proxy as the start-up check and a download read it: with the proxy on,
// a second line without ":" or with a port that is not a number is an error
// carrying its reason, and so is an empty file. No file means no proxy.
TProxySetting ReadProxySetting(const std::filesystem::path& file);

// What the proxy dialog fills in from the file.
struct TProxyDialogFill {
  bool FileFound = false;
  std::optional<bool> Enabled;     // set for a first line "1" or "0"
  std::optional<std::string> Host;
  std::optional<std::string> Port;
  std::string Error;               // why filling stopped early; empty when it did not
};
TProxyDialogFill ReadProxyForDialog(const std::filesystem::path& file);

// The dialog's two lines; a host or port of blanks only becomes 127.0.0.1 or
// 8080, anything else is written as typed. False when the file cannot be
// written; the old file is then kept.
bool WriteProxyFile(const std::filesystem::path& file, bool enabled, std::string host, std::string port);

}  // namespace velkaro
