#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QFrame>
#include <QLabel>
#include <QMovie>
#include <QString>
#include <QUrl>
#include <functional>
#include <memory>
#include <string_view>

namespace velkaro {

// The clickable banner at the tool bar's end: shows the GIF the version check
// fetched, animated, at its natural size from the top-left corner and cut off
// at the edges; a left press opens its link.
class TOrdelBanner final : public QLabel {
 public:
  static constexpr QRect kGeometry{3, 3, 146, 46};
  static constexpr const char* kInitialTip = "...";

  TOrdelBanner(QWidget* parent, std::function<void(const QUrl&)> openUrl);
  ~TOrdelBanner() override;
  TOrdelBanner(const TOrdelBanner&) = delete;
  TOrdelBanner& operator=(const TOrdelBanner&) = delete;

  void SetLink(const QString& link);
  // Keeps the GIF and shows it.
  void SetImage(QByteArray gif);

  const QByteArray& Gif() const { return Gif_; }
  const QString& Link() const { return Link_; }

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  std::function<void(const QUrl&)> OpenUrl_;
  QString Link_;
  // The movie reads the bytes through the buffer: declared so it goes first.
  QByteArray Gif_;
  QBuffer GifDevice_;
  std::unique_ptr<QMovie> Movie_;
};

// The window's banner area, 152 x 53, no bevel, a 2-pixel border, in the
// colour of an application's workspace, with a dotted caption that shows
// until a banner picture covers it.
class TBannerPanel final : public QFrame {
 public:
  static constexpr QSize kSize{152, 53};
  static constexpr int kBorderWidth = 2;
  static constexpr const char* kCaption = "...............";
  static constexpr int kCaptionPixels = 37;

  explicit TBannerPanel(QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// Whether `bytes` are a whole GIF whose every frame decodes. Safe on any thread:
// the window hands it to the version check, which runs it on its worker.
bool IsShowableGif(std::string_view bytes);

}  // namespace velkaro
