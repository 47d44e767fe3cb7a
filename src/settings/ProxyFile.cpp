#include "ProxyFile.h"

#include <system_error>

#include "FileContent.h"
#include "TextHelpers.h"

namespace velkaro {

namespace {

constexpr const char* kDefaultHost = "127.0.0.1";
constexpr const char* kDefaultPort = "8080";

TLaunchProxy ProxyOff() { return TLaunchProxy{false, "127.0.0.1", "8989"}; }

bool FileExists(const std::filesystem::path& file) {
  std::error_code error;
  return std::filesystem::exists(file, error);
}

std::optional<TLines> ReadLines(const std::filesystem::path& file) {
  const auto content = ReadFileContent(file);
  if (!content) return std::nullopt;
  return SplitLines(*content);
}

}  // namespace

TProxyFile TProxyFile::Read(const std::filesystem::path& file) {
  TProxyFile read;
  read.Path_ = file;
  read.Exists_ = FileExists(file);
  if (read.Exists_) read.Lines_ = ReadLines(file);
  return read;
}

TLaunchProxy TProxyFile::ForSearch() const {
  // No file: no proxy was ever chosen, so none is used and nothing is reported.
  if (!Exists_) return ProxyOff();
  const auto& lines = Lines_;
  // Unreadable or empty: there is no first line to read, so nothing is set.
  if (!lines || lines->empty()) return TLaunchProxy{};
  if ((*lines)[0] != "1") return ProxyOff();

  TLaunchProxy proxy;
  proxy.UseProxy = true;
  if (lines->size() < 2) return proxy;
  const auto pieces = SplitText((*lines)[1], ":");
  if (!pieces.empty()) proxy.Host = pieces[0];
  if (pieces.size() > 1) proxy.PortText = pieces[1];
  return proxy;
}

TProxySetting TProxyFile::ForTransfer() const {
  if (!Exists_) return {};
  const auto& lines = Lines_;
  if (!lines) throw TProxyFileError(FillIn(Tr1254("%1 okunamıyor."), {Path_.string()}));
  if (lines->empty()) throw TProxyFileError(Tr1254(kProxyFileEmpty));
  if ((*lines)[0] != "1") return {};
  if (lines->size() < 2) throw TProxyFileError(Tr1254("Proxy adresi yok."));
  const auto pieces = SplitText((*lines)[1], ":");
  if (pieces.size() < 2) throw TProxyFileError(FillIn(Tr1254("Proxy adresinde port yok: '%1'."), {(*lines)[1]}));
  const auto port = ParseInt(pieces[1]);
  if (!port) throw TProxyFileError(FillIn(Tr1254("'%1' geçerli bir port değil."), {pieces[1]}));
  return TProxySetting{true, pieces[0], *port};
}

TProxyDialogFill TProxyFile::ForDialog() const {
  TProxyDialogFill fill;
  if (!Exists_) return fill;
  fill.FileFound = true;
  const auto& lines = Lines_;
  if (!lines || lines->empty()) {
    fill.Error = Tr1254(kProxyFileEmpty);
    return fill;
  }
  const std::string_view first = (*lines)[0];
  if (first != "0" && first != "1") return fill;
  fill.Enabled = first == "1";
  if (lines->size() < 2) {
    fill.Error = Tr1254("Proxy adresi yok.");
    return fill;
  }
  const auto pieces = SplitText((*lines)[1], ":");
  fill.Host = pieces.empty() ? std::string() : pieces[0];
  if (pieces.size() < 2) {
    fill.Error = Tr1254("Proxy adresinde port yok.");

    return fill;
  }
  fill.Port = pieces[1];
  return fill;
}

bool WriteProxyFile(const std::filesystem::path& file, bool enabled, std::string host, std::string port) {
  if (TrimView(host).empty()) host = kDefaultHost;
  if (TrimView(port).empty()) port = kDefaultPort;
  return ReplaceFileContent(file, std::string(enabled ? "1" : "0") + "\r\n" + host + ":" + port + "\r\n");
}

}  // namespace velkaro
