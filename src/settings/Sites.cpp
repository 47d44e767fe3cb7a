#include "Sites.h"

#include <fstream>
#include <utility>

#include "ProgramFiles.h"
#include "TextHelpers.h"

namespace velkaro {

namespace {

constexpr const char* kUpdateName = "Update";
constexpr const char* kDefaultUpdateHost = "www.velkaro.net";
constexpr const char* kSubsMirrorName = "SubsMirror";
constexpr const char* kDefaultSubsMirrorHost = "www.subsmirror.net";
constexpr const char* kSubsVaultName = "SubsVault";
constexpr const char* kDefaultSubsVaultHost = "www.subsvault.net";

bool IsValidHost(std::string_view host) {
  if (host.empty()) return false;
  for (char c : host) {
    const auto u = static_cast<unsigned char>(c);
    if (u <= ' ' || u >= 0x7F || c == '/' || c == '?' || c == '#' || c == '@') return false;
  }
  return true;
}

}  // namespace

std::string BareHost(std::string_view host) {
  constexpr std::string_view kWww = "www.";
  if (host.starts_with(kWww)) host.remove_prefix(kWww.size());
  return std::string(host);
}

std::string TSiteInfo::BareHost() const { return velkaro::BareHost(Host); }

std::string TSiteInfo::ErrorLabel() const {
  std::string label = BareHost();
  if (!label.empty()) label[0] = UpperAscii(label[0]);
  return label;
}

TSiteTable TSiteTable::Defaults() {
  TSiteTable table;
  for (const auto& site : kSiteFacts) {
    table.Sites_[static_cast<int>(site.Id)] = TSiteInfo{site.Id, site.Name, site.DefaultHost};
  }
  table.UpdateHost_ = kDefaultUpdateHost;
  table.SubsMirrorHost_ = kDefaultSubsMirrorHost;
  table.SubsVaultHost_ = kDefaultSubsVaultHost;
  return table;
}

bool TSiteTable::ApplyOverride(std::string_view line) {
  const auto eq = line.find('=');
  if (eq == std::string_view::npos) return false;
  const std::string name = Trim(line.substr(0, eq));
  const std::string host = Trim(line.substr(eq + 1));
  if (!IsValidHost(host)) return false;
  const std::pair<const char*, std::string*> namedHosts[] = {
      {kUpdateName, &UpdateHost_}, {kSubsMirrorName, &SubsMirrorHost_}, {kSubsVaultName, &SubsVaultHost_}};
  for (const auto& [hostName, field] : namedHosts) {
    if (name == hostName) {
      *field = host;
      return true;
    }
  }
  for (auto& site : Sites_) {
    if (site.Name == name) {
      site.Host = host;
      return true;
    }
  }
  return false;
}

TSiteTable TSiteTable::FromFile(const std::filesystem::path& path) {
  TSiteTable table = Defaults();
  std::ifstream in(path, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) table.ApplyOverride(line);
  return table;
}

std::optional<SiteId> SiteIdFromName(std::string_view name) {
  const std::string wanted = LowerAscii(name);
  for (const auto& site : kSiteFacts) {
    if (LowerAscii(site.Name) == wanted) return site.Id;
  }
  return std::nullopt;
}

const TSiteTable& ConfiguredSites() {
  static const TSiteTable table = TSiteTable::FromFile(TProgramFiles::OfThisProgram().PathOf(TProgramFile::Sites));
  return table;
}

}  // namespace velkaro
