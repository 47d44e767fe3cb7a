#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Dispatcher.h"
#include "SearchRegistry.h"
#include "SearchThread.h"
#include "sitesim/SimServer.h"

namespace velkaro::test {

// One site's search against the stand-in sites, driven the way the window
// drives it: records and markers arrive on this (the dispatcher's) thread.
//
// `BuildQuery(film, language)` gives the query text the window would hand the
// thread; the language is whatever that function takes (a list item, a site
// code). `MakeCatalogue()` gives the films and subtitles the stand-ins serve.
template <SiteId kSite, auto BuildQuery, sim::TCatalogue (*MakeCatalogue)() = sim::TCatalogue::Standard>
class TSiteSearchFixture : public testing::Test {
 protected:
  void SetUp() override { Sim.Start(); }

  // A search not yet started: straight at the stand-ins' port, or through
  // them as the proxy in front of the sites' real addresses. `adjust` changes
  // the request further.
  template <typename TLanguage>
  std::shared_ptr<TSearchThread> NewThread(const std::string& film, const TLanguage& language, bool viaProxy,
                                           const std::function<void(TSearchRequest&)>& adjust = {}) {
    TSearchRequest request;
    request.Site = kSite;
    request.Query = BuildQuery(film, language);
    request.Film = film;
    if (viaProxy) request.Proxy = {.Use = true, .Host = sim::TSimServer::kLoopback, .Port = Sim.Port()};
    if (adjust) adjust(request);
    TSearchCallbacks callbacks{
        .OnRecord =
            [this](TSubtitleInfo& record) {
              EXPECT_TRUE(Ui->IsOwnerThread());
              Records.push_back(record);
            },
        .OnErrorMarker = [this](const std::string& marker) { Registry.Errors.push_back(marker); },
        .OnTerminate = [this](TSearchThread&) { ++Ended; },
    };
    return TSearchThread::Create(Ui, std::move(request), std::move(callbacks),
                                 viaProxy ? TSiteTable::Defaults() : Sim.DirectSites());
  }

  // Starts the search and runs the dispatcher until its end notification.
  void RunToEnd(const std::shared_ptr<TSearchThread>& thread) {
    using namespace std::chrono_literals;
    thread->Start();
    ASSERT_TRUE(Ui->ProcessUntil([&] { return Ended > 0; }, 60s)) << "the search did not end";
  }

  // Forgets what earlier searches left behind: records, markers, the end
  // count, the faults set up and the requests seen.
  void Reset() {
    Records.clear();
    Registry.Errors.clear();
    Ended = 0;
    Sim.ClearFaults();
    Sim.ClearRequests();
  }

  std::shared_ptr<TQueueDispatcher> Ui = std::make_shared<TQueueDispatcher>();
  sim::TSimServer Sim{MakeCatalogue()};
  TSearchRegistry Registry;
  std::vector<TSubtitleInfo> Records;
  int Ended = 0;
};

// "05.01.04": day, month and two-digit year, as the program keeps the date
// several sites show in their own ways.
inline std::string ShortDate(const sim::TSimDate& date) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d.%02d.%02d", date.Day % 100, date.Month % 100, date.Year % 100);
  return text;
}

}  // namespace velkaro::test
