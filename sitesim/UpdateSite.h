#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "SimSite.h"

// The maker's host: the newest version's text, the banner pointer, the
// banner configuration it points to, and the banner picture.

namespace velkaro::sim {

class TUpdateSite final : public TSimSite {
 public:
  static constexpr std::string_view kVersionPath = "/vk/versiyon.php";
  static constexpr std::string_view kPointerPath = "/vk/banner_config_link.txt";
  static constexpr std::string_view kConfigPath = "/vk/banner_config.txt";
  static constexpr std::string_view kImagePath = "/vk/banner.gif";
  static constexpr std::string_view kClickPath = "/reklam.php";
  static constexpr std::string_view kDefaultVersion = "1.24\n";

  TUpdateSite();

  TResponse Answer(const TRequest& request) const override;

  // What the version page says; kDefaultVersion until set.
  void SetVersionText(std::string text);
  // The configuration's body as given; until set, two lines that name this
  // host's picture and click-through page.
  void SetBannerConfig(std::string text);
  void SetBannerImage(std::string gif);
  // The configuration served to a client that addressed this host as `host`.
  std::string BannerConfig(std::string_view host) const;
  std::string BannerImage() const;

 private:
  mutable std::mutex Mutex_;
  std::string Version_;
  std::optional<std::string> Config_;
  std::string Image_;
};

// The stand-in's own banner: 146 x 46 pixels, a light sweeping across the
// program's name, repeating for ever.
std::string BannerArtwork();

std::unique_ptr<TSimSite> MakeUpdateSite();

}  // namespace velkaro::sim
