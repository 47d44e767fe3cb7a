// The tool bar's banner and its panel: what shows before and after the
// version check hands over, what a press opens, and which GIFs pass.

#include <QImage>
#include <QMouseEvent>
#include <QMovie>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "GifCheck.h"
#include "OrdelBanner.h"
#include "sitesim/GifWriter.h"
#include "sitesim/UpdateSite.h"

namespace velkaro {
namespace {

const sim::TRgb kRed{0xFF, 0, 0};
const sim::TRgb kBlue{0, 0, 0xFF};

// One frame, red inside the banner's 146 x 46 from the top-left, blue beyond.
std::string RedCornerGif(int width, int height) {
  sim::TGifPicture picture;
  picture.Width = width;
  picture.Height = height;
  picture.Palette = {kRed, kBlue};
  sim::TGifFrame frame;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) frame.Pixels.push_back(x < 146 && y < 46 ? 0 : 1);
  }
  picture.Frames.push_back(std::move(frame));
  return sim::EncodeGif(picture);
}

QByteArray Bytes(const std::string& text) { return QByteArray::fromStdString(text); }

// Counts presses that reach the banner's parent.
struct TPressCounter final : QObject {
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonPress) ++Presses;
    return false;
  }
  int Presses = 0;
};

}  // namespace

class BannerTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TBannerPanel> Panel;
  TOrdelBanner* Banner = nullptr;
  std::vector<QUrl> Opened;
  TPressCounter ParentPresses;

  void Press(Qt::MouseButton button) { QTest::mouseClick(Banner, button, {}, QPoint(10, 10)); }

 private slots:
  void init() {
    Opened.clear();
    Panel = std::make_unique<TBannerPanel>(nullptr);
    Banner = new TOrdelBanner(Panel.get(), [this](const QUrl& url) { Opened.push_back(url); });
    ParentPresses.Presses = 0;
    Panel->installEventFilter(&ParentPresses);
    Panel->show();
    QVERIFY(QTest::qWaitForWindowExposed(Panel.get()));
  }
  void cleanup() { Panel.reset(); }

  void beforeTheHandOverItShowsDotsAndAClickDoesNothing() {
    QCOMPARE(Banner->geometry(), QRect(3, 3, 146, 46));
    QCOMPARE(Banner->toolTip(), QStringLiteral("..."));
    QVERIFY(Banner->movie() == nullptr);
    Press(Qt::LeftButton);
    QVERIFY(Opened.empty());
    QCOMPARE(ParentPresses.Presses, 0);

    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(Banner, &enter);
    QCOMPARE(Banner->cursor().shape(), Qt::PointingHandCursor);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(Banner, &leave);
    QVERIFY(!Banner->testAttribute(Qt::WA_SetCursor));

    // The empty banner lets the panel's white caption show through.
    const QImage panel = Panel->grab().toImage();
    bool white = false;
    for (int y = 0; y < panel.height() && !white; ++y) {
      for (int x = 0; x < panel.width() && !white; ++x) white = panel.pixelColor(x, y) == Qt::white;
    }
    QVERIFY(white);
  }

  void aLeftPressOpensTheLinkAndGoesNoFurther() {
    const QString link = QStringLiteral("http://www.velkaro.net/reklam.php?id=7");
    Banner->SetLink(link);
    Banner->SetImage(Bytes(sim::BannerArtwork()));
    QCOMPARE(Banner->toolTip(), link);
    Press(Qt::RightButton);
    QVERIFY(Opened.empty());
    Press(Qt::LeftButton);
    QCOMPARE(Opened, std::vector<QUrl>{QUrl(link)});
    QCOMPARE(ParentPresses.Presses, 1);  // the right press only
  }

  void aLinkOfBlanksOpensNothing() {
    for (const QString& link : {QString(), QStringLiteral("   "), QStringLiteral(" \t\r\n"), QString(QChar(1))}) {
      Banner->SetLink(link);
      Press(Qt::LeftButton);
    }
    QVERIFY(Opened.empty());
  }

  void theGifAnimatesAsItsFileSays() {
    const std::string gif = sim::BannerArtwork();
    Banner->SetImage(Bytes(gif));
    QCOMPARE(Banner->Gif(), Bytes(gif));
    QMovie* movie = Banner->movie();
    QVERIFY(movie != nullptr);
    QCOMPARE(movie->state(), QMovie::Running);
    QCOMPARE(movie->frameCount(), 12);
    QCOMPARE(movie->loopCount(), -1);  // the file says: for ever
    QCOMPARE(movie->currentImage().size(), QSize(146, 46));
    QTRY_VERIFY(movie->currentFrameNumber() > 0);
  }

  void aLargerGifIsCutOffAtTheRightAndBottom() {
    Banner->SetImage(Bytes(RedCornerGif(300, 100)));
    QTRY_VERIFY(!Banner->movie()->currentImage().isNull());
    const QImage shown = Banner->grab().toImage();
    QCOMPARE(shown.size(), QSize(146, 46));
    for (int y = 0; y < shown.height(); ++y) {
      for (int x = 0; x < shown.width(); ++x) {
        if (shown.pixelColor(x, y) != QColor(Qt::red))
          QFAIL(qPrintable(QStringLiteral("(%1,%2) not red").arg(x).arg(y)));
      }
    }
  }

  void onlyGifsWhoseEveryFrameDecodesPass() {
    const std::string gif = sim::BannerArtwork();
    QVERIFY(IsShowableGif(gif));
    // Qt alone would show the frames before the cut.
    QVERIFY(!IsShowableGif(gif.substr(0, gif.size() / 2)));
    QVERIFY(!IsShowableGif("<html><body>404</body></html>"));
    // A whole stream whose picture data is no LZW code.
    std::string scrambled = gif;
    for (std::size_t i = 110; i < 300; ++i) scrambled[i] = '\xFF';
    QVERIFY(IsWholeGif(scrambled));
    QVERIFY(!IsShowableGif(scrambled));
  }
};

}  // namespace velkaro

QTEST_MAIN(velkaro::BannerTest)
#include "BannerTest.moc"
