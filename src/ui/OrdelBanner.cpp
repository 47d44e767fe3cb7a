#include "OrdelBanner.h"

#include <QEnterEvent>
#include <QImage>
#include <QImageReader>
#include <QMouseEvent>
#include <QPainter>

#include "GifCheck.h"

namespace velkaro {

namespace {

constexpr const char* kGifFormat = "gif";

// Blanks and control characters only, as the trimming of links counts them.
bool IsBlank(const QString& text) {
  for (const QChar c : text) {
    if (c.unicode() > u' ') return false;
  }
  return true;
}

}  // namespace

TOrdelBanner::TOrdelBanner(QWidget* parent, std::function<void(const QUrl&)> openUrl)
    : QLabel(parent), OpenUrl_(std::move(openUrl)) {
  setObjectName(QStringLiteral("Banner"));
  setGeometry(kGeometry);
  setFixedSize(kGeometry.size());
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setScaledContents(false);
  setToolTip(QString::fromLatin1(kInitialTip));
}

TOrdelBanner::~TOrdelBanner() {
  // The label lets go of the movie before the movie goes.
  setMovie(nullptr);
}

void TOrdelBanner::SetLink(const QString& link) {
  Link_ = link;
  setToolTip(link);
}

void TOrdelBanner::SetImage(QByteArray gif) {
  setMovie(nullptr);
  Movie_.reset();
  GifDevice_.close();
  Gif_ = std::move(gif);
  GifDevice_.setBuffer(&Gif_);
  GifDevice_.open(QIODevice::ReadOnly);
  // The movie loops as often as the file says.
  Movie_ = std::make_unique<QMovie>(&GifDevice_, QByteArray(kGifFormat));
  setMovie(Movie_.get());
  Movie_->start();
}

void TOrdelBanner::enterEvent(QEnterEvent* event) {
  setCursor(Qt::PointingHandCursor);
  QLabel::enterEvent(event);
}

void TOrdelBanner::leaveEvent(QEvent* event) {
  unsetCursor();
  QLabel::leaveEvent(event);
}

void TOrdelBanner::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QLabel::mousePressEvent(event);
    return;
  }
  // Taken here and nowhere else: the press goes no further.
  event->accept();
  if (!IsBlank(Link_) && OpenUrl_) OpenUrl_(QUrl(Link_));
}

TBannerPanel::TBannerPanel(QWidget* parent) : QFrame(parent) {
  setFrameStyle(QFrame::NoFrame);
  setFixedSize(kSize);
  setContentsMargins(kBorderWidth, kBorderWidth, kBorderWidth, kBorderWidth);
  // Qt paints its own application workspace (QMdiArea) in this role.
  setBackgroundRole(QPalette::Dark);
  setAutoFillBackground(true);
}

void TBannerPanel::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  QPainter painter(this);
  QFont font(QStringLiteral("Arial"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(kCaptionPixels);
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.drawText(contentsRect(), Qt::AlignCenter | Qt::TextSingleLine, QString::fromLatin1(kCaption));
}

bool IsShowableGif(std::string_view bytes) {
  // Qt shows the frames of a cut-off file without complaint.
  if (!IsWholeGif(bytes)) return false;
  const QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
  QBuffer device;
  device.setData(data);
  if (!device.open(QIODevice::ReadOnly)) return false;
  QImageReader reader(&device, kGifFormat);
  reader.setDecideFormatFromContent(false);
  if (!reader.canRead()) return false;
  const int frames = reader.imageCount();
  if (frames <= 0) return false;
  QImage frame;
  for (int i = 0; i < frames; ++i) {
    if (!reader.read(&frame)) return false;
  }
  return true;
}

}  // namespace velkaro
