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
