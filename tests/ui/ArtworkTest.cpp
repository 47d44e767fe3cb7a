// Every picture the windows ask for exists and draws something at the sizes
// the tool bar, the result list and the dialogs use.

#include <QImage>
#include <QTest>

#include "Artwork.h"

namespace velkaro {
namespace {

// Share of the picture that is not transparent.
double Coverage(const QIcon& icon, int size, QIcon::Mode mode = QIcon::Normal) {
  const QImage image = icon.pixmap(size, size, mode).toImage().convertToFormat(QImage::Format_ARGB32);
  if (image.size() != QSize(size, size)) return -1;
  int painted = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) painted += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
  }
  return double(painted) / (size * size);
}

}  // namespace

class ArtworkTest : public QObject {
  Q_OBJECT

 private slots:
  void everyIconDraws() {
    std::vector<std::pair<QString, QIcon>> icons;
    for (int i = 0; i < kToolbarIconCount; ++i) icons.emplace_back(QStringLiteral("tool bar %1").arg(i), ToolbarIcon(static_cast<TToolbarIcon>(i)));
    for (int i = 0; i <= static_cast<int>(TRowIcon::Download); ++i) icons.emplace_back(QStringLiteral("row %1").arg(i), RowIcon(static_cast<TRowIcon>(i)));
    icons.emplace_back(QStringLiteral("green tick"), TickIcon(true));
    icons.emplace_back(QStringLiteral("grey tick"), TickIcon(false));
    icons.emplace_back(QStringLiteral("program"), ProgramIcon());
    for (const auto& [name, icon] : icons) {
      for (int size : {16, kToolbarIconSize, 64}) {
        const double covered = Coverage(icon, size);
        QVERIFY2(covered > 0.05 && covered < 1.0, qPrintable(QStringLiteral("%1 at %2: %3").arg(name).arg(size).arg(covered)));
      }
      QVERIFY2(Coverage(icon, kToolbarIconSize, QIcon::Disabled) > 0.05, qPrintable(name));
    }
  }

  void picturesDiffer() {
    // A wrong file name in a table would show one picture twice.
    QList<QImage> seen;
    const auto distinct = [&](const QIcon& icon) {
      const QImage image = icon.pixmap(32, 32).toImage();
      if (seen.contains(image)) return false;
      seen.append(image);
      return true;
    };
    for (int i = 0; i < kToolbarIconCount; ++i) QVERIFY(distinct(ToolbarIcon(static_cast<TToolbarIcon>(i))));
    for (int i = 0; i <= static_cast<int>(TRowIcon::Download); ++i) QVERIFY(distinct(RowIcon(static_cast<TRowIcon>(i))));
    QVERIFY(distinct(TickIcon(true)));
    QVERIFY(distinct(TickIcon(false)));
    QVERIFY(distinct(ProgramIcon()));
  }
};

}  // namespace velkaro

QTEST_MAIN(velkaro::ArtworkTest)
#include "ArtworkTest.moc"
