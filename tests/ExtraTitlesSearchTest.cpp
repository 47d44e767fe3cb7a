#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Dispatcher.h"
#include "sitesim/ExtraTitlesSite.h"
#include "SearchThread.h"
#include "sitesim/SimServer.h"
#include "adapters/ExtraTitles.h"

namespace velkaro {
namespace {

using namespace std::chrono_literals;
using sim::TFault;

std::string ShortDate(const sim::TSimDate& date) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d.%02d.%02d", date.Day % 100, date.Month % 100, date.Year % 100);
  return text;
}

// One ExtraTitles search against the stand-in sites, driven the way the
// window drives it: records and markers arrive on this (the dispatcher's) thread.
class ExtraTitlesSearch : public testing::Test {
 protected:
  void SetUp() override { Sim.Start(); }

  std::shared_ptr<TSearchThread> NewThread(const std::string& film, bool viaProxy) {
    auto thread = TSearchThread::Create(Ui, viaProxy ? TSiteTable::Defaults() : Sim.DirectSites());
    if (viaProxy) {
      thread->UseProxy = true;
      thread->ProxyHost = "127.0.0.1";
      thread->ProxyPort = Sim.Port();
    }
    thread->Registry = &Registry;
    thread->SiteId = SiteId::ExtraTitles;
    thread->FilmName = film;
    thread->QueryText = BuildExtraTitlesQuery(film, 0, 50);
    thread->OnRecord = [this](TSubtitleInfo& record) {
      EXPECT_TRUE(Ui->IsOwnerThread());
      Records.push_back(record);
    };
    thread->OnTerminate = [this](TSearchThread&) { ++Ended; };
    return thread;
  }

  void RunToEnd(const std::shared_ptr<TSearchThread>& thread) {
    thread->Start();
    ASSERT_TRUE(Ui->ProcessUntil([&] { return Ended > 0; }, 60s)) << "the search did not end";
  }

  std::vector<const sim::TSimSubtitle*> Expected(const std::string& film) const {
    return sim::TExtraTitlesSite(Sim.Catalogue()).Matches({film, 0, 50});
  }

  std::shared_ptr<TQueueDispatcher> Ui = std::make_shared<TQueueDispatcher>();
  sim::TSimServer Sim;
  TThreadManager Registry;
  std::vector<TSubtitleInfo> Records;
  int Ended = 0;
};

TEST_F(ExtraTitlesSearch, RecordsInPageOrderDirectAndThroughProxy) {
  for (const bool viaProxy : {false, true}) {
    SCOPED_TRACE(viaProxy ? "through the proxy" : "direct");
    Records.clear();
    Ended = 0;
    Sim.ClearRequests();
    auto thread = NewThread("matrix", viaProxy);
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
      EXPECT_EQ(record.DateAdded, ShortDate(subtitle.Date));
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
    Records.clear();
    Registry.Errors.clear();
    Ended = 0;
    Sim.ClearFaults();
    Sim.AddFault(SiteId::ExtraTitles, fault);
    RunToEnd(NewThread("matrix", true));
    EXPECT_TRUE(Records.empty());
    EXPECT_EQ(Registry.Errors, std::vector<std::string>{"[Extratitles.net - HATA]"});
  }
}

TEST_F(ExtraTitlesSearch, FailedDetailRequestKeepsNameLanguageAndAddress) {
  Sim.AddFault(SiteId::ExtraTitles, TFault::ErrorStatus(500).When("p=i&rid="));
  auto thread = NewThread("matrix", true);
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
  auto thread = NewThread("matrix", true);
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
    Records.clear();
    Ended = 0;
    Sim.ClearFaults();
    Sim.AddFault(SiteId::ExtraTitles, TFault::ReplaceBody(body));
    auto thread = NewThread("matrix", true);
    RunToEnd(thread);
    EXPECT_TRUE(Registry.Errors.empty());
    EXPECT_LE(Records.size(), 1u);
  }
}

TEST_F(ExtraTitlesSearch, DetailPageWithoutLabelsLeavesFieldsEmpty) {
  Sim.AddFault(SiteId::ExtraTitles, TFault::ReplaceBody("<html><body>no labels</body></html>").When("p=i&rid="));
  RunToEnd(NewThread("matrix", true));
  ASSERT_FALSE(Records.empty());
  for (const auto& record : Records) {
    EXPECT_FALSE(record.FilmName.empty());
    EXPECT_TRUE(record.Fps.empty() && record.CdCount.empty() && record.Format.empty());
    EXPECT_TRUE(record.DateAdded.empty() && record.Uploader.empty());
  }
}

}  // namespace
}  // namespace velkaro
