#include "Artwork.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>
#include <QStyle>
#include <QStyleOption>
#include <QSvgRenderer>

#include <array>

// The resources live in a static library: their registration must be pulled in by name.
static void RegisterArtwork() { Q_INIT_RESOURCE(velkaro); }

namespace velkaro {

namespace {

constexpr std::array<const char*, kToolbarIconCount> kToolbarFiles = {
    ":/velkaro/tb-settings.svg", ":/velkaro/tb-stop.svg",       ":/velkaro/tb-search.svg", ":/velkaro/tb-download.svg",
    ":/velkaro/tb-properties.svg", ":/velkaro/tb-clear.svg", ":/velkaro/tb-sort.svg", ":/velkaro/tb-fetch-best.svg",
};

// Indexed by TRowIcon.
constexpr std::array<const char*, 6> kRowFiles = {
    ":/velkaro/row-film.svg",     ":/velkaro/row-rar.svg", ":/velkaro/row-zip.svg",
    ":/velkaro/row-document.svg", ":/velkaro/row-web.svg", ":/velkaro/row-download.svg",
};

// Renders one SVG at whatever size a view asks for. Pixmaps go into Qt's
// shared cache, so the many icons of a long result list cost one rendering
// per size and mode.
class TSvgIconEngine final : public QIconEngine {
 public:
  explicit TSvgIconEngine(QString file) : File_(std::move(file)) {}

  QIconEngine* clone() const override { return new TSvgIconEngine(File_); }

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
    const qreal ratio = painter->device() != nullptr ? painter->device()->devicePixelRatio() : 1.0;
    QPixmap image = pixmap(rect.size() * ratio, mode, state);
    image.setDevicePixelRatio(ratio);
    painter->drawPixmap(rect.topLeft(), image);
  }

  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
    const QString key = QStringLiteral("velkaro-icon:%1:%2x%3:%4").arg(File_).arg(size.width()).arg(size.height()).arg(mode);
    QPixmap image;
    if (QPixmapCache::find(key, &image)) return image;
    image = Render(size);
    if (mode == QIcon::Disabled || mode == QIcon::Selected) {
      QStyleOption option;
      option.palette = QApplication::palette();
      image = QApplication::style()->generatedIconPixmap(mode, image, &option);
    }
    QPixmapCache::insert(key, image);
    return image;
  }

  QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }

  QString key() const override { return QStringLiteral("velkaro-svg"); }

 private:
  QPixmap Render(const QSize& size) const {
    QPixmap image(size);
    image.fill(Qt::transparent);
    QSvgRenderer renderer(File_);
    QPainter painter(&image);
    renderer.render(&painter);
    return image;
  }

  QString File_;
};

QIcon SvgIcon(const char* file) {
  static const bool registered = (RegisterArtwork(), true);
  (void)registered;
  return QIcon(new TSvgIconEngine(QString::fromLatin1(file)));
}

}  // namespace

QIcon ToolbarIcon(TToolbarIcon icon) {
  const auto index = static_cast<std::size_t>(icon);
  return SvgIcon(index < kToolbarFiles.size() ? kToolbarFiles[index] : kToolbarFiles[0]);
}

QIcon RowIcon(TRowIcon icon) {
  const auto index = static_cast<std::size_t>(icon);
  return SvgIcon(index < kRowFiles.size() ? kRowFiles[index] : kRowFiles[0]);
}

QIcon TickIcon(bool green) { return SvgIcon(green ? ":/velkaro/tick-green.svg" : ":/velkaro/tick-grey.svg"); }

QIcon ProgramIcon() { return SvgIcon(":/velkaro/program.svg"); }

QFont DialogFont() {
  QFont font;
  font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
  font.setStyleHint(QFont::SansSerif);
  font.setPointSize(8);
  return font;
}

void DressDialog(QWidget& dialog, const char* objectName, const QString& title) {
  dialog.setObjectName(QString::fromLatin1(objectName));
  dialog.setWindowTitle(title);
  dialog.setWindowIcon(ProgramIcon());
  dialog.setFont(DialogFont());
}

}  // namespace velkaro
