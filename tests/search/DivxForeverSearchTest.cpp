#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "SiteSearchFixture.h"
#include "adapters/DivxForever.h"
#include "sitesim/DivxForeverSite.h"
#include "sitesim/Html.h"
#include "sitesim/SimServer.h"

namespace velkaro {
namespace {

using namespace std::chrono_literals;
using sim::TFault;

const std::vector<std::string> kMarker = {"[Divxforever.net - HATA]"};

sim::TCatalogue TestCatalogue() {
  sim::TCatalogue catalogue;
  catalogue.AddFilm({"The Matrix", 1999});
  catalogue.AddSubtitle({0, 0, "English", "23.976", 2, "SubRip", {1999, 10, 2}, "johnny", "matrix.en.zip"})
      .AddSubtitle({0, 0, "Turkish", "25", 1, "MicroDVD", {2003, 5, 9}, "ay\xFE" "e", "matrix.tr.srt"})
      .AddSubtitle({0, 0, "Hungarian", "23.976", 2, "SubViewer", {2001, 9, 30}, "\xF6zg\xFCr", "matrix.hu.ace"})
      .AddSubtitle({0, 0, "German", "25", 1, "SSA", {2004, 2, 29}, "klaus", "matrix.de.rar"})
      .AddSubtitle({0, 0, "Italian", "29.97", 3, "SAMI", {2002, 12, 31}, "marco", "matrix.it.zip"});
  catalogue.AddFilm({"A\xF0\xFDr Roman", 1997});
  catalogue.AddSubtitle({0, 0, "Turkish", "23.976", 2, "SubRip", {2004, 1, 5}, "kemal", "agir.tr.zip"})
      .AddSubtitle({0, 0, "English", "25", 1, "SubRip", {2004, 3, 14}, "mike", "agir.en.srt"})
      .AddSubtitle({0, 0, "Turkish", "25", 1, "SubRip", {2005, 7, 1}, "\xE7\xFDnar", "agir.tr.2.srt"});
  catalogue.AddGeneratedFilm("Matrix & Friends", 2003, 12);
  catalogue.AddGeneratedFilm("\xDDstanbul Matrix", 2005, 40);
  return catalogue;
}

// What a row must arrive as, from the catalogue entry the stand-in shows.
TSubtitleInfo ExpectedRecord(const sim::TCatalogue& catalogue, const sim::TSimSubtitle& subtitle,
                             const std::string& siteBase) {
  static const std::map<std::string, std::string> kLanguages = {
      {"Turkish", "Turkish"}, {"English", "English"}, {"German", "Germany"}, {"Italian", "Italy"},
      {"Spanish", "Spanish"}, {"French", "French"},   {"Dutch", "Dutch"},
  };
  static const std::map<std::string, std::string> kFormats = {
      {"SubRip", "SubRip"}, {"MicroDVD", "MicroDVD"}, {"SSA", "SubStation Alpha"}, {"SAMI", "SAMi"}};
  const std::string gap = sim::TDivxForeverSite::SpacedUnits(subtitle) ? " " : "";
  TSubtitleInfo record;
  record.FilmName = catalogue.FilmOf(subtitle).Name;
  record.Url = siteBase + "index.php?act=subz&CODE=03&id=" + std::to_string(subtitle.Id);
  record.Language = kLanguages.contains(subtitle.Language) ? kLanguages.at(subtitle.Language) : "";
  record.Fps = subtitle.Fps + gap;
  record.CdCount = std::to_string(subtitle.CdCount) + gap;
  record.Format = kFormats.contains(subtitle.Format) ? kFormats.at(subtitle.Format) : "";
  record.DateAdded = test::ShortDate(subtitle.Date);
  record.Uploader = subtitle.Uploader;
  return record;
}

// `languageItem` as the window's language list names it.
std::string QueryFor(std::string_view film, std::string_view languageItem) {
  return BuildDivxForeverQuery(film, DivxForeverLanguageCode(languageItem));
}

class DivxForeverSearch : public test::TSiteSearchFixture<SiteId::DivxForever, QueryFor, TestCatalogue> {
 protected:
  std::vector<TSubtitleInfo> Expected(const std::string& film, const std::string& code, const std::string& base) {
    std::vector<TSubtitleInfo> expected;
    for (const auto* subtitle : sim::TDivxForeverSite(Sim.Catalogue()).Matches({film, code})) {
      expected.push_back(ExpectedRecord(Sim.Catalogue(), *subtitle, base));
    }
    return expected;
  }
};

TEST_F(DivxForeverSearch, OnePageArrivesCompleteInPageOrderDirectAndThroughProxy) {
  for (const bool viaProxy : {false, true}) {
    SCOPED_TRACE(viaProxy ? "through the proxy" : "direct");
    Reset();
    auto thread = NewThread("matrix", "", viaProxy);
    const std::string base = thread->Site().Base();
    RunToEnd(thread);

    const auto expected = Expected("matrix", "", base);
    ASSERT_EQ(expected.size(), 5u + 12u + 40u);
    EXPECT_EQ(Records, expected);
    EXPECT_TRUE(Registry.Errors.empty());

    const auto requests = Sim.RequestsTo(SiteId::DivxForever);
    ASSERT_EQ(requests.size(), 1u);
    const auto& request = requests[0];
    EXPECT_EQ(request.Method, "POST");
    EXPECT_EQ(request.Target, viaProxy ? "http://www.divxforever.net/index.php?act=subz&CODE=06"
                                       : "/index.php?act=subz&CODE=06");
    EXPECT_EQ(request.Body,
              "mname=matrix&subtitle_releaser=&subtitle_lang=&subtitle_fps=all&submitter_name=&subtitle_format=all"
              "&subtitle_cds=all&subtitle_status=all&submit=Altyaz%FD+Ara");
    EXPECT_EQ(request.Header("content-type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(request.Header("accept-encoding"), "gzip, deflate");
    EXPECT_EQ(request.Proxied, viaProxy);
  }
}

TEST_F(DivxForeverSearch, FilmAndLanguageReachTheSite) {
  struct TCase {
    std::string Film;
    std::string LanguageItem;
    std::string SentCode;
    std::size_t Rows;
  };
  const TCase cases[] = {
      {"a\xF0\xFDr", "Turkish", "TR", 2},
      {"A\xF0\xFDR roman", "English", "EN", 1},
      {"The MATRIX", "Germany", "DE", 1},
      {"matrix", "Japanese", "", 57},  // no code: every language
      {"Star Voyage", "All", "all", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Film + " / " + c.LanguageItem);
    Reset();
    auto thread = NewThread(c.Film, c.LanguageItem, true);
    const std::string base = thread->Site().Base();
    RunToEnd(thread);
    EXPECT_EQ(Records.size(), c.Rows);
    EXPECT_EQ(Records, Expected(c.Film, c.SentCode, base));
    const auto requests = Sim.RequestsTo(SiteId::DivxForever);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].Body, BuildDivxForeverQuery(c.Film, c.SentCode));
    EXPECT_TRUE(Registry.Errors.empty());
  }
}

TEST_F(DivxForeverSearch, FailedRequestOrBodyThatDoesNotInflateGivesOneMarker) {
  const std::string page = sim::GzipMember("<html><body>" + std::string(2000, 'x') + "</body></html>");
  const TFault faults[] = {
      TFault::ErrorStatus(500),
      TFault::ErrorStatus(404),
      TFault::ResetMidBody(),
      TFault::ReplaceBody("<html><body>plain, not compressed</body></html>"),
      TFault::ReplaceBody(std::string("\x1F\x8B\x08\x00\x00\x00\x00\x00\x00\x03\x03\x00\x00\x00\x00\x00\x00\x00", 18)),
      TFault::ReplaceBody(""),
      TFault::ReplaceBody(page.substr(0, page.size() / 2)),
  };
  for (const auto& fault : faults) {
    Reset();
    Sim.AddFault(SiteId::DivxForever, fault);
    RunToEnd(NewThread("matrix", "", true));
    EXPECT_TRUE(Records.empty());
    EXPECT_EQ(Registry.Errors, kMarker);
  }
}

TEST_F(DivxForeverSearch, PageEndingInsideARowKeepsTheRowsBefore) {
  const auto& catalogue = Sim.Catalogue();
  const std::vector<const sim::TSimSubtitle*> rows = {&catalogue.Subtitles()[0], &catalogue.Subtitles()[1]};
  const std::string html = sim::TDivxForeverSite::ResultPage(catalogue, rows, "matrix") +
                           "<a href=\"index.php?act=subz&amp;CODE=03&amp;id=9\">";
  Sim.AddFault(SiteId::DivxForever, TFault::ReplaceBody(sim::GzipMember(html)).When("CODE=06"));
  auto thread = NewThread("matrix", "", true);
  const std::string base = thread->Site().Base();
  RunToEnd(thread);
  ASSERT_EQ(Records.size(), 2u);
  EXPECT_EQ(Records[0], ExpectedRecord(catalogue, *rows[0], base));
  EXPECT_EQ(Records[1], ExpectedRecord(catalogue, *rows[1], base));
  EXPECT_TRUE(Registry.Errors.empty());
}

TEST_F(DivxForeverSearch, BadPagesEndQuietly) {
  const std::vector<std::string> pages = {
      "",
      std::string("\0\0<a href=\"index.php?act=subz&amp;CODE=03&amp;id=1\">", 51),
      std::string(4096, '\xFF') + "&#999; &#x; <a href=\"unbalanced>",
      "<a href=\"index.php?act=subz&amp;CODE=03&amp;id=1\">x</a><td class=row2><a href=u>" + std::string(2 << 20, '-'),
      std::string(4 << 20, '<'),
  };
  for (const auto& page : pages) {
    Reset();
    Sim.AddFault(SiteId::DivxForever, TFault::ReplaceBody(sim::GzipMember(page)));
    RunToEnd(NewThread("matrix", "", true));
    EXPECT_TRUE(Registry.Errors.empty());
    EXPECT_LE(Records.size(), 1u);
  }
}

TEST_F(DivxForeverSearch, AbandonedSearchDeliversNothingAndStopsPromptly) {
  Sim.AddFault(SiteId::DivxForever, TFault::Delay(120s));
  auto thread = NewThread("matrix", "", true);
  thread->Start();
  ASSERT_TRUE(Ui->ProcessUntil([&] { return !Sim.RequestsTo(SiteId::DivxForever).empty(); }, 30s));
  const auto abandoned = std::chrono::steady_clock::now();
  thread->Abandon();
  thread->Join();
  EXPECT_LT(std::chrono::steady_clock::now() - abandoned, 10s);
  Ui->ProcessUntil([] { return false; }, 200ms);
  EXPECT_TRUE(Records.empty());
  EXPECT_EQ(Ended, 0);
  EXPECT_TRUE(Registry.Errors.empty());
}

}  // namespace
}  // namespace velkaro
