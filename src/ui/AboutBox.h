#pragma once

#include <QDialog>
#include <QUrl>

#include <functional>

namespace velkaro {

// The about window: product, version, maker and the maker's links.
class TfrmAboutBox final : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmAboutBox(QWidget* parent = nullptr);
  // `openUrl` opens the links; empty: the desktop's handler.
  explicit TfrmAboutBox(std::function<void(const QUrl&)> openUrl, QWidget* parent = nullptr);

 private:
  void BuildControls();
  void OpenUrl(const QUrl& url);

  std::function<void(const QUrl&)> OpenUrl_;
};

// The maker's addresses behind the links.
inline constexpr const char* kMakerWebSite = "http://www.velkaro.net/";
inline constexpr const char* kMakerForum = "http://www.velkaro.net/forum/";
inline constexpr const char* kMakerMail = "destek@velkaro.net";

}  // namespace velkaro
