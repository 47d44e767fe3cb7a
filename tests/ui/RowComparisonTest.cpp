// The result list's sort order: text columns, dates in the user's short
// format, and an order that stays an order whatever the rows hold.

#include <QLocale>
#include <QTest>

#include <algorithm>
#include <string>
#include <vector>

#include "RowComparison.h"

namespace velkaro {
namespace {

TResultRow RowWithColumn(int column, std::string text) {
  TResultRow row;
  std::string* fields[] = {&row.Info.FilmName, &row.Info.Url,       &row.Info.Language, &row.Info.Fps,
                           &row.Info.CdCount,  &row.Info.DateAdded, &row.Info.Uploader, &row.Info.Format};
  *fields[column] = std::move(text);
  return row;
}

TResultRows RowsWithColumn(int column, const std::vector<std::string>& texts) {
  TResultRows rows;
  for (const auto& text : texts) rows.Append(RowWithColumn(column, text));
  return rows;
}

int Sign(int value) { return (value > 0) - (value < 0); }

}  // namespace

class RowComparisonTest : public QObject {
  Q_OBJECT

 private slots:
  void textComparesBytesWithAsciiCaseFolded_data() {
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<int>("expected");
    QTest::newRow("ascii letters ignore case") << QByteArray("the matrix") << QByteArray("THE MATRIX") << 0;
    QTest::newRow("numbers are text: 10 before 2") << QByteArray("10") << QByteArray("2") << -1;
    QTest::newRow("frame rates as text") << QByteArray("23,976") << QByteArray("25") << -1;
    QTest::newRow("prefix first") << QByteArray("Matrix") << QByteArray("Matrix Reloaded") << -1;
    QTest::newRow("empty before anything") << QByteArray("") << QByteArray("a") << -1;
    // Dotless i (0xFD) and its capital dotted I (0xDD) are not folded.
    QTest::newRow("turkish letters by code value") << QByteArray("\xFD") << QByteArray("\xDD") << 1;
    QTest::newRow("turkish letter after ascii z") << QByteArray("\xE7") << QByteArray("z") << 1;
    QTest::newRow("folding makes _ after letters") << QByteArray("_") << QByteArray("a") << 1;
  }
  void textComparesBytesWithAsciiCaseFolded() {
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, second);
    QFETCH(int, expected);
    QCOMPARE(Sign(CompareListText(first.toStdString(), second.toStdString())), expected);
    QCOMPARE(Sign(CompareListText(second.toStdString(), first.toStdString())), -expected);
  }

  void shortDatesFollowTheLocale_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QDate>("expected");  // invalid: no date
    const QDate jan5(2005, 1, 5);
    QTest::newRow("tr full") << "tr_TR" << QByteArray("05.01.2005") << jan5;
    QTest::newRow("tr short fields") << "tr_TR" << QByteArray("5.1.2005") << jan5;
    QTest::newRow("tr two-digit year") << "tr_TR" << QByteArray("5.1.05") << jan5;
    QTest::newRow("tr last century") << "tr_TR" << QByteArray("5.1.99") << QDate(1999, 1, 5);
    QTest::newRow("us month first") << "en_US" << QByteArray("1/5/05") << jan5;
    QTest::newRow("iso year first") << "fr_CA" << QByteArray("2005-01-05") << jan5;
    QTest::newRow("no such day") << "tr_TR" << QByteArray("31.02.2005") << QDate();
    QTest::newRow("wrong separator") << "tr_TR" << QByteArray("05/01/2005") << QDate();
    QTest::newRow("time after the date") << "tr_TR" << QByteArray("05.01.2005 12:30") << QDate();
    QTest::newRow("two fields") << "tr_TR" << QByteArray("05.01") << QDate();
    QTest::newRow("four fields") << "tr_TR" << QByteArray("05.01.2005.1") << QDate();
    QTest::newRow("huge number") << "tr_TR" << QByteArray("5.1.99999999999999999999") << QDate();
    QTest::newRow("words") << "tr_TR" << QByteArray("yesterday") << QDate();
    QTest::newRow("month names through the toolkit") << "C" << QByteArray("5 Jan 2005") << jan5;
  }
  void shortDatesFollowTheLocale() {
    QFETCH(QString, locale);
    QFETCH(QByteArray, text);
    QFETCH(QDate, expected);
    const auto day = ReadShortDate(text.toStdString(), QLocale(locale));
    if (!expected.isValid()) {
      QVERIFY(!day.has_value());
    } else {
      QVERIFY(day.has_value());
      QCOMPARE(QDate::fromJulianDay(*day), expected);
    }
  }

  void blankDatesGoLastAndTheOrderIsStrictWeak() {
    const TResultRows rows =
        RowsWithColumn(kDateColumn, {"", "05.01.2005", " \t", "5.1.2005", "01.12.2004", "", "31.12.2010"});
    const TRowOrder order = TRowOrder::For(kDateColumn, rows, QLocale(QStringLiteral("tr_TR")));
    const auto& all = rows.All();
    for (const auto& a : all) {
      QVERIFY2(!order(a, a), "irreflexive");
      for (const auto& b : all) {
        QCOMPARE(Sign(order.Compare(a, b)), -Sign(order.Compare(b, a)));
        for (const auto& c : all) {
          if (order(a, b) && order(b, c)) QVERIFY2(order(a, c), "transitive");
          const bool abEqual = !order(a, b) && !order(b, a);
          const bool bcEqual = !order(b, c) && !order(c, b);
          if (abEqual && bcEqual) QVERIFY2(!order(a, c) && !order(c, a), "equivalence is transitive");
        }
      }
    }
    TResultRows sorted = RowsWithColumn(kDateColumn, {"", "05.01.2005", " \t", "5.1.2005", "01.12.2004", "", "31.12.2010"});
    sorted.Sort(std::cref(order));
    std::vector<std::string> dates;
    for (const auto& row : sorted.All()) dates.push_back(row.Info.DateAdded);
    // Same day compares equal, so those two keep their order; blanks keep theirs at the end.
    const std::vector<std::string> expected = {"01.12.2004", "05.01.2005", "5.1.2005", "31.12.2010", "", " \t", ""};
    QCOMPARE(dates, expected);
  }

  void aDateThatIsNoDateIsFoundWhereverItIs() {
    // Only blank neighbours: a comparison alone would never convert it.
    const TResultRows rows = RowsWithColumn(kDateColumn, {"", "not a date", ""});
    try {
      (void)TRowOrder::For(kDateColumn, rows, QLocale(QStringLiteral("tr_TR")));
      QFAIL("no error for a date that is no date");
    } catch (const TConvertError& error) {
      QCOMPARE(std::string(error.what()), std::string("'not a date' is not a valid date"));
    }
  }

  void otherColumnsCompareTheirOwnText() {
    TResultRow a = RowWithColumn(4, "10");
    TResultRow b = RowWithColumn(4, "2");
    a.Info.FilmName = "zzz";
    b.Info.FilmName = "aaa";
    const TResultRows none;
    QVERIFY(TRowOrder::For(4, none, QLocale::c())(a, b));
    QVERIFY(TRowOrder::For(0, none, QLocale::c())(b, a));
    // Dates are not read for other columns: no error for nonsense there.
    const TResultRows rows = RowsWithColumn(kDateColumn, {"nonsense"});
    QCOMPARE(TRowOrder::For(6, rows, QLocale::c()).Compare(rows[0], rows[0]), 0);
  }
};

}  // namespace velkaro

QTEST_APPLESS_MAIN(velkaro::RowComparisonTest)
#include "RowComparisonTest.moc"
