#include "AboutBox.h"

#include <QDesktopServices>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QUrlQuery>
#include <QVBoxLayout>

#include "Artwork.h"
#include "EngineText.h"
#include "MainWindow.h"

namespace velkaro {

namespace {

const QColor kLinkIdle(Qt::blue);
const QColor kLinkHover(Qt::red);

// A label that reads as a link: blue, red with a hand cursor while the mouse
// is over it, and a left click opens it.
class TLinkLabel final : public QLabel {
 public:
  TLinkLabel(const QString& text, std::function<void()> open, QWidget* parent) : QLabel(text, parent), Open_(std::move(open)) {
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    Paint(kLinkIdle);
  }

 protected:
  void enterEvent(QEnterEvent* event) override {
    Paint(kLinkHover);
    setCursor(Qt::PointingHandCursor);
    QLabel::enterEvent(event);
  }
  void leaveEvent(QEvent* event) override {
    Paint(kLinkIdle);
    unsetCursor();
    QLabel::leaveEvent(event);
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) Open_();
    QLabel::mouseReleaseEvent(event);
  }

 private:
  void Paint(const QColor& color) {
    QPalette colors = palette();
    colors.setColor(QPalette::WindowText, color);
    setPalette(colors);
  }

  std::function<void()> Open_;
};

QLabel* Caption(const QString& text, QWidget* parent, bool bold = false) {
  auto* label = new QLabel(text, parent);
  if (bold) {
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
  }
  return label;
}

QUrl MailUrl() {
  QUrl url(QStringLiteral("mailto:") + QLatin1String(kMakerMail));
  QUrlQuery query;
  query.addQueryItem(QStringLiteral("subject"), QStringLiteral("Velkaro %1").arg(QLatin1String(kProgramVersion)));
  url.setQuery(query);
  return url;
}

}  // namespace

TfrmAboutBox::TfrmAboutBox(QWidget* parent) : TfrmAboutBox(std::function<void(const QUrl&)>{}, parent) {}

TfrmAboutBox::TfrmAboutBox(std::function<void(const QUrl&)> openUrl, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      OpenUrl_(std::move(openUrl)) {
  DressDialog(*this, "frmAboutBox", TrQ("Hakkında"));
  BuildControls();
  setFixedSize(sizeHint());
}

void TfrmAboutBox::BuildControls() {
  auto* icon = new QLabel(this);
  icon->setObjectName(QStringLiteral("ProgramIcon"));
  icon->setPixmap(ProgramIcon().pixmap(64, 64));
  auto* product = Caption(QStringLiteral("Velkaro"), this, true);
  product->setObjectName(QStringLiteral("ProductName"));
  QFont large = product->font();
  large.setPointSize(18);
  product->setFont(large);
  auto* tagLine = Caption(TrQ("\"Altyazı Arama Aracı\""), this);

  auto* heading = new QGridLayout;
  heading->setHorizontalSpacing(12);
  heading->addWidget(icon, 0, 0, 2, 1);
  heading->addWidget(product, 0, 1, Qt::AlignBottom);
  heading->addWidget(tagLine, 1, 1, Qt::AlignTop);
  heading->setColumnStretch(1, 1);

  auto* version = new QHBoxLayout;
  version->addWidget(Caption(TrQ("Versiyon:"), this));
  auto* number = Caption(QLatin1String(kProgramVersion), this, true);
  number->setObjectName(QStringLiteral("Version"));
  version->addWidget(number);
  version->addStretch();

  auto* links = new QGridLayout;
  links->setHorizontalSpacing(8);
  const QString web = QLatin1String(kMakerWebSite);
  struct TLink {
    const char* Caption;  // a text (VK_TEXT)
    const char* Name;
    QString Text;
    QUrl Target;
  };
  const TLink rows[] = {
      {VK_TEXT("E-Mail:"), "MailLink", QLatin1String(kMakerMail), MailUrl()},
      {VK_TEXT("Web:"), "WebLink", web, QUrl(web)},
      {VK_TEXT("Forum:"), "ForumLink", TrQ("Velkaro Forum"), QUrl(QLatin1String(kMakerForum))},
  };
  int row = 0;
  for (const TLink& link : rows) {
    links->addWidget(Caption(TrQ(link.Caption), this), row, 0);
    auto* label = new TLinkLabel(link.Text, [this, target = link.Target] { OpenUrl(target); }, this);
    label->setObjectName(QLatin1String(link.Name));
    links->addWidget(label, row++, 1);
  }
  links->setColumnStretch(1, 1);

  auto* ok = new QPushButton(TrQ("&Tamam"), this);
  ok->setObjectName(QStringLiteral("OKButton"));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addStretch();

  auto* page = new QVBoxLayout(this);
  page->setContentsMargins(14, 12, 14, 10);
  page->setSpacing(6);
  page->addLayout(heading);
  page->addSpacing(6);
  page->addLayout(version);
  page->addWidget(Caption(TrQ("Son güncellenme: 24.11.2005"), this));
  page->addWidget(Caption(TrQ("Yazan: Velkaro geliştirme ekibi"), this));
  page->addSpacing(4);
  page->addWidget(Caption(TrQ("Teşekkürler: altyazı sitelerinde emek veren çevirmenlere"), this));
  page->addWidget(Caption(TrQ("ve programı deneyip görüşlerini bildiren herkese."), this));
  page->addSpacing(4);
  page->addLayout(links);
  page->addSpacing(4);
  page->addLayout(buttons);
}

void TfrmAboutBox::OpenUrl(const QUrl& url) {
  if (OpenUrl_) {
    OpenUrl_(url);
  } else {
    QDesktopServices::openUrl(url);
  }
}

}  // namespace velkaro
