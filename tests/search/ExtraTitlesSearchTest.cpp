#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "SiteSearchFixture.h"
#include "adapters/ExtraTitles.h"
#include "sitesim/ExtraTitlesSite.h"

namespace velkaro {
namespace {

using namespace std::chrono_literals;
using sim::TFault;

// At most 50 results in `language` (0: every language), as the window asks.
std::string QueryFor(std::string_view film, std::int32_t language) { return BuildExtraTitlesQuery(film, language, 50); }

class ExtraTitlesSearch : public test::TSiteSearchFixture<SiteId::ExtraTitles, QueryFor> {
 protected:
  std::vector<const sim::TSimSubtitle*> Expected(const std::string& film) const {
    return sim::TExtraTitlesSite(Sim.Catalogue()).Matches({film, 0, 50});
  }
};

TEST_F(ExtraTitlesSearch, RecordsInPageOrderDirectAndThroughProxy) {
  for (const bool viaProxy : {false, true}) {
    SCOPED_TRACE(viaProxy ? "through the proxy" : "direct");
    Reset();
    auto thread = NewThread("matrix", 0, viaProxy);
    const std::string base = thread->Site().Base();
    RunToEnd(thread);

    const auto expected = Expected("matrix");
    ASSERT_GE(expected.size(), 2u);
    ASSERT_EQ(Records.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
      const auto& subtitle = *expected[i];
      const auto& record = Records[i];
      EXPECT_EQ(record.FilmName, Sim.Catalogue().FilmOf(subtitle).Name);
      EXPECT_EQ(record.Url, base + sim::TExtraTitlesSite::DownloadLink(subtitle));
      EXPECT_EQ(record.Language, subtitle.Language);
      EXPECT_EQ(record.Fps, subtitle.Fps);
      EXPECT_EQ(record.CdCount, std::to_string(subtitle.CdCount));
      EXPECT_EQ(record.Format, subtitle.Format);
      EXPECT_EQ(record.DateAdded, test::ShortDate(subtitle.Date));
      EXPECT_EQ(record.Uploader, subtitle.Uploader);
    }
    EXPECT_TRUE(Registry.Errors.empty());

    const auto requests = Sim.RequestsTo(SiteId::ExtraTitles);
    ASSERT_EQ(requests.size(), 1 + expected.size());
    EXPECT_EQ(requests[0].Method, "POST");
    EXPECT_EQ(requests[0].Body, BuildExtraTitlesQuery("matrix", 0, 50));
    for (const auto& request : requests) EXPECT_EQ(request.Proxied, viaProxy);
  }
}

TEST_F(ExtraTitlesSearch, FailedFirstRequestGivesOneMarkerAndNoRecords) {
  for (const auto& fault : {TFault::ErrorStatus(500), TFault::ErrorStatus(404), TFault::ResetMidBody()}) {
    Reset();
    Sim.AddFault(SiteId::ExtraTitles, fault);
    RunToEnd(NewThread("matrix", 0, true));
    EXPECT_TRUE(Records.empty());
    EXPECT_EQ(Registry.Errors, std::vector<std::string>{"[Extratitles.net - HATA]"});
  }
}

TEST_F(ExtraTitlesSearch, FailedDetailRequestKeepsNameLanguageAndAddress) {
  Sim.AddFault(SiteId::ExtraTitles, TFault::ErrorStatus(500).When("p=i&rid="));
  auto thread = NewThread("matrix", 0, true);
  const std::string base = thread->Site().Base();
  RunToEnd(thread);
  const auto expected = Expected("matrix");
  ASSERT_EQ(Records.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    TSubtitleInfo only;
    only.FilmName = Sim.Catalogue().FilmOf(*expected[i]).Name;
    only.Language = expected[i]->Language;
    only.Url = base + "index.php?pid=subt2&p=i&rid=" + std::to_string(expected[i]->Id);
    EXPECT_EQ(Records[i], only);
  }
  EXPECT_TRUE(Registry.Errors.empty());
}

TEST_F(ExtraTitlesSearch, AbandonedThreadDeliversNothingMoreAndStopsPromptly) {
  // Detail pages hang until the server stops.
  Sim.AddFault(SiteId::ExtraTitles, TFault::Delay(120s).When("p=i&rid="));
  auto thread = NewThread("matrix", 0, true);
  thread->Start();
  // Give the worker time to reach its first (hanging) detail request.
  ASSERT_TRUE(Ui->ProcessUntil([&] { return Sim.RequestsTo(SiteId::ExtraTitles).size() >= 2; }, 30s));
  thread->Abandon();
  thread->Join();
  EXPECT_TRUE(thread->Finished());
  Ui->ProcessUntil([] { return false; }, 200ms);
  EXPECT_TRUE(Records.empty());
  EXPECT_EQ(Ended, 0);
  EXPECT_TRUE(Registry.Errors.empty());
}

TEST_F(ExtraTitlesSearch, BadPagesEndQuietly) {
  const std::string truncatedRow =
      "<html><img src=\"pics/flags/1.gif\" alt=\"English\"><span class='mf2'>Matrix</span><a href=\"x?rid=1";
  const std::vector<std::string> bodies = {
      "",
      std::string("\0\0<img src=\"pics/flags/1.gif\" alt=\"English\">", 45),
      std::string(4096, '\xFF') + "&#999; &#x; <a href=\"unbalanced>",
      truncatedRow,
      std::string(50 << 20, 'x'),
  };
  for (const auto& body : bodies) {
    Reset();
    Sim.AddFault(SiteId::ExtraTitles, TFault::ReplaceBody(body));
    auto thread = NewThread("matrix", 0, true);
    RunToEnd(thread);
    EXPECT_TRUE(Registry.Errors.empty());
    EXPECT_LE(Records.size(), 1u);
  }
}

TEST_F(ExtraTitlesSearch, DetailPageWithoutLabelsLeavesFieldsEmpty) {
  Sim.AddFault(SiteId::ExtraTitles, TFault::ReplaceBody("<html><body>no labels</body></html>").When("p=i&rid="));
  RunToEnd(NewThread("matrix", 0, true));
  ASSERT_FALSE(Records.empty());
  for (const auto& record : Records) {
    EXPECT_FALSE(record.FilmName.empty());
    EXPECT_TRUE(record.Fps.empty() && record.CdCount.empty() && record.Format.empty());
    EXPECT_TRUE(record.DateAdded.empty() && record.Uploader.empty());
  }
}

}  // namespace
}  // namespace velkaro
