#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace velkaro {

// The values are stored and compared, so they must not change.
enum class SiteId : std::uint8_t {
  DivxForever = 0,
  ExtraTitles = 1,
  Podnapisi = 2,
  DivxSubtitles = 3,
  SubDb = 4,
};

inline constexpr int kSiteCount = 5;

// What a site's rows are: subtitles the program downloads, pages opened in
// the browser, or files the program downloads whose type the address tells.
enum class TSiteRowKind : std::uint8_t { Download, WebPage, ByFileType };

// A site's facts. Every order the program keeps its sites in is read from
// here; a new site starts with a SiteId and a row below.
struct TSiteFacts {
  SiteId Id;
  const char* Name;         // status line label and sites.txt key
  const char* DefaultHost;  // unless sites.txt names another
  int LaunchPlace;          // 0: launched first among the ticked sites
  int SettingsLine;         // the line of conf.vkcf that holds its tick
  int HostTestPlace;        // 0: its host is looked for first in a row's address
  TSiteRowKind Rows;
};

// Indexed by SiteId.
inline constexpr std::array<TSiteFacts, kSiteCount> kSiteFacts = {{
    {SiteId::DivxForever, "DivxForever", "www.divxforever.net", 2, 3, 0, TSiteRowKind::WebPage},
    {SiteId::ExtraTitles, "ExtraTitles", "www.extratitles.net", 0, 0, 2, TSiteRowKind::ByFileType},
    {SiteId::Podnapisi, "Podnapisi", "www.podnapisi.net", 4, 1, 4, TSiteRowKind::WebPage},
    {SiteId::DivxSubtitles, "DivxSubtitles", "www.divxsubtitles.net", 1, 2, 1, TSiteRowKind::WebPage},
    {SiteId::SubDb, "SubDb", "www.subdb.net", 3, 4, 3, TSiteRowKind::Download},
}};

constexpr const TSiteFacts& FactsOf(SiteId id) { return kSiteFacts[static_cast<std::size_t>(id)]; }

// The sites ordered by one of their places (LaunchPlace, SettingsLine, HostTestPlace).
constexpr std::array<SiteId, kSiteCount> SitesBy(int TSiteFacts::*place) {
  std::array<SiteId, kSiteCount> order{};
  for (const TSiteFacts& site : kSiteFacts) order.at(static_cast<std::size_t>(site.*place)) = site.Id;
  return order;
}

namespace detail {
// Each place a number from 0 to kSiteCount - 1, taken once.
constexpr bool IsOrder(int TSiteFacts::*place) {
  std::array<bool, kSiteCount> taken{};
  for (const TSiteFacts& site : kSiteFacts) {
    const int at = site.*place;
    if (at < 0 || at >= kSiteCount || taken[static_cast<std::size_t>(at)]) return false;
    taken[static_cast<std::size_t>(at)] = true;
  }
  return true;
}
constexpr bool IndexedById() {
  for (std::size_t i = 0; i < kSiteFacts.size(); ++i) {
    if (static_cast<std::size_t>(kSiteFacts[i].Id) != i) return false;
  }
  return true;
}
}  // namespace detail
static_assert(detail::IndexedById(), "kSiteFacts is indexed by SiteId");
static_assert(detail::IsOrder(&TSiteFacts::LaunchPlace) && detail::IsOrder(&TSiteFacts::SettingsLine) &&
                  detail::IsOrder(&TSiteFacts::HostTestPlace),
              "each place of kSiteFacts is taken once");

// Where one subtitle site lives. Only the host is configurable; the rest
// derives from it so labels always follow the configured host.
struct TSiteInfo {
  SiteId Id;
  std::string Name;  // "ExtraTitles": status line label and sites.txt key
  std::string Host;  // "www.extratitles.net", may carry ":port"

  std::string Base() const { return "http://" + Host + "/"; }
  // Host without a leading "www.": what row addresses are tested against.
  std::string BareHost() const;
  // Bare host with its first letter upper-cased: "Extratitles.net".
  std::string ErrorLabel() const;
};

class TSiteTable {
 public:
  static TSiteTable Defaults();
  // Defaults overridden by "Name=host" lines of `path`; a missing file,
  // unknown names and malformed lines are ignored.
  static TSiteTable FromFile(const std::filesystem::path& path);

  const TSiteInfo& operator[](SiteId id) const { return Sites_[static_cast<int>(id)]; }
  TSiteInfo& operator[](SiteId id) { return Sites_[static_cast<int>(id)]; }
  const std::string& UpdateHost() const { return UpdateHost_; }
  void SetUpdateHost(std::string host) { UpdateHost_ = std::move(host); }
  // The two further sites whose rows are downloaded without a target chosen
  // first; only download routing reads them ("SubsMirror", "SubsVault").
  const std::string& SubsMirrorHost() const { return SubsMirrorHost_; }
  void SetSubsMirrorHost(std::string host) { SubsMirrorHost_ = std::move(host); }
  const std::string& SubsVaultHost() const { return SubsVaultHost_; }

  // Applies one "Name=host" line; false when the line was ignored.
  bool ApplyOverride(std::string_view line);

  auto begin() const { return Sites_.begin(); }
  auto end() const { return Sites_.end(); }

 private:
  std::array<TSiteInfo, kSiteCount> Sites_;
  std::string UpdateHost_;
  std::string SubsMirrorHost_;
  std::string SubsVaultHost_;
};

std::optional<SiteId> SiteIdFromName(std::string_view name);  // case-insensitive

// A host without its leading "www.".
std::string BareHost(std::string_view host);

// The table the program runs with: defaults plus the program's sites.txt
// (ProgramFiles.h says where that is).
const TSiteTable& ConfiguredSites();

}  // namespace velkaro
