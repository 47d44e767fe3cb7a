#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

#include "TextHelpers.h"
#include "UserText.h"


// "proxy.txt" (TProgramFile::Proxy): line 1 "1" turns the proxy on, line 2
// holds "host:port". Read once where it is needed (a search command, a
// download, the start-up check, the dialog), then taken in the way that use
// reads it: leniently for searches, strictly for the other transfers.

namespace velkaro {

// Texts (UserText.h), translated where shown.
inline constexpr const char* kProxyFileMissing = VK_TEXT("Proxy konfigürasyon dosyası bulunamadı.");
inline constexpr const char* kProxyFileEmpty = VK_TEXT("Proxy dosyası boş.");

// The proxy choice as a search reads it.
struct TLaunchProxy {
  bool UseProxy = false;
  std::string Host;
  std::string PortText;  // made a number by the caller, which reports a bad one
};

class TProxyFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TProxySetting {
  bool UseProxy = false;
  std::string Host;
  std::int32_t Port = 0;
};

// What the proxy dialog fills in from the file.
struct TProxyDialogFill {
  bool FileFound = false;
  std::optional<bool> Enabled;     // set for a first line "1" or "0"
  std::optional<std::string> Host;
  std::optional<std::string> Port;
  std::string Error;               // why filling stopped early; empty when it did not
};

// The file as read at one moment.
class TProxyFile {
 public:
  static TProxyFile Read(const std::filesystem::path& file);

  // A first line of exactly "1" turns the proxy on with host and port from the
  // second line ("host:port"); any other first line, and a missing file, turn it
  // off with the address 127.0.0.1:8989. A file that exists but is empty or
  // cannot be read leaves host and port empty, which the caller reports as a bad port.
  TLaunchProxy ForSearch() const;
  // As the start-up check and a download read it: with the proxy on, a
  // second line without ":" or with a port that is not a number is a
  // TProxyFileError carrying its reason, and so is an empty file. No file
  // means no proxy.
  TProxySetting ForTransfer() const;
  TProxyDialogFill ForDialog() const;

 private:
  std::filesystem::path Path_;
  bool Exists_ = false;
  std::optional<TLines> Lines_;  // none when it exists but cannot be read
};

// The dialog's two lines; a host or port of blanks only becomes 127.0.0.1 or
// 8080, anything else is written as typed. False when the file cannot be
// written; the old file is then kept.
bool WriteProxyFile(const std::filesystem::path& file, bool enabled, std::string host, std::string port);

}  // namespace velkaro
