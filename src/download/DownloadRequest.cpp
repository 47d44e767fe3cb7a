#include "DownloadRequest.h"

#include <algorithm>

#include "TextHelpers.h"
#include "UserText.h"

namespace velkaro {

namespace {

struct TDownloadRule {
  TDownloadKind Kind;
  std::string (*TestText)(const TSiteTable& sites);
  std::string (*Referer)(const TSiteTable& sites);  // nullptr: an empty Referer
  bool TargetFirst;
};

std::string SubDbReferer(const TSiteTable& sites) {
  return SubDbAddressPrefix(sites) + "modules.php?name=Download_Subtitles";
}

std::string SubsMirrorText(const TSiteTable& sites) { return BareHost(sites.SubsMirrorHost()); }

std::string SubsVaultText(const TSiteTable& sites) { return "http://" + sites.SubsVaultHost() + "/"; }

std::string ExtraTitlesText(const TSiteTable&) { return "xsubt.subt.link.php?"; }

// Tried in this order; an address that meets none opens in the browser.
constexpr TDownloadRule kRules[] = {
    {TDownloadKind::SubDb, SubDbAddressPrefix, SubDbReferer, false},
    {TDownloadKind::SubsMirror, SubsMirrorText, nullptr, false},
    {TDownloadKind::SubsVault, SubsVaultText, nullptr, false},
    {TDownloadKind::ExtraTitles, ExtraTitlesText, nullptr, true},
};

constexpr std::string_view kFileNameKey = "filename=";

}  // namespace

std::string SubDbAddressPrefix(const TSiteTable& sites) { return "http://" + sites[SiteId::SubDb].Host + "/subdb/html/"; }

TDownloadRoute RouteDownload(std::string_view url, const TSiteTable& sites) {
  for (const TDownloadRule& rule : kRules) {
    if (!Contains(url, rule.TestText(sites))) continue;
    return TDownloadRoute{rule.Kind, rule.Referer ? rule.Referer(sites) : std::string(), rule.TargetFirst};
  }
  return {};
}

std::string ProposedFileName(std::string_view film, std::string_view cd, std::string_view fps,
                             std::string_view extension) {
  std::string name = ColonToUnderscore(std::string(film));
  name.append("_").append(cd).append("_CD").append("_").append(fps).append("_FPS_VK").append(extension);
  std::replace_if(name.begin(), name.end(), [](char c) { return c == '/' || c == '\0'; }, '_');
  return name;
}

std::string ContentDispositionExtension(std::string_view value) {
  const auto key = value.find(kFileNameKey);
  if (key == std::string_view::npos) return {};
  std::string_view name = TrimView(CutAt(value.substr(key + kFileNameKey.size()), ";"));
  if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
  const auto dot = name.rfind('.');
  if (dot == std::string_view::npos) return {};
  return std::string(name.substr(dot));
}

std::string DownloadingStatus(std::string_view film) { return FillIn(Tr1254("%1 altyazısı indiriliyor..."), {film}); }

std::string DownloadedMessage(std::string_view film, std::string_view fps, std::string_view cd,
                              std::string_view dateAdded) {
  std::string message = Tr1254("Altyazı indirildi...");
  message.append("\r\n\r\n").append(FillIn(Tr1254("Film Adı: %1"), {film}));
  message.append("\r\n").append(FillIn(Tr1254("FPS: %1"), {fps}));
  message.append("\r\n").append(FillIn(Tr1254("CD Sayısı: %1"), {cd}));
  message.append("\r\n").append(FillIn(Tr1254("Eklenme Tarihi: %1"), {dateAdded}));
  return message;
}


}  // namespace velkaro
