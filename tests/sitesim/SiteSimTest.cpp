#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <future>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "Dispatcher.h"
#include "HttpClient.h"
#include "SearchThread.h"
#include "SiteSearch.h"
#include "ArchiveReader.h"
#include "adapters/ExtraTitles.h"
#include "adapters/SiteAdapters.h"
#include "sitesim/Catalogue.h"
#include "sitesim/ExtraTitlesSite.h"
#include "sitesim/Html.h"
#include "sitesim/HttpMessage.h"
#include "sitesim/Router.h"
#include "sitesim/SimServer.h"

namespace velkaro::sim {
namespace {

using namespace std::chrono_literals;

constexpr const char* kFormType = "application/x-www-form-urlencoded";

THTMLParser Tokenized(std::string_view page) {
  THTMLParser parser;
  parser.SetText(page);
  parser.Parse();
  return parser;
}

// "05.01.04": the date as the program stores it after reading a detail page.
std::string ShortDate(const TSimDate& date) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d.%02d.%02d", date.Day, date.Month, date.Year % 100);
  return text;
}

// What the program makes of a row once its detail page has been read.
TSubtitleInfo DetailedRecord(std::string film, std::string language, const std::string& base,
                             const TSimSubtitle& subtitle) {
  TSubtitleInfo record;
  record.FilmName = std::move(film);
  record.Url = base + TExtraTitlesSite::DownloadLink(subtitle);
  record.Language = std::move(language);
  record.CdCount = std::to_string(subtitle.CdCount);
  record.Fps = subtitle.Fps;
  record.Format = subtitle.Format;
  record.DateAdded = ShortDate(subtitle.Date);
  record.Uploader = subtitle.Uploader;
  return record;
}

// --- Catalogue ---------------------------------------------------------------

TEST(SimCatalogue, StandardFilmsCoverWhatTheSitesMustShow) {
  const auto catalogue = TCatalogue::Standard();
  std::set<std::string> extensions, fps;
  std::set<std::size_t> films;
  int expectedId = TCatalogue::kFirstId;
  for (const auto& subtitle : catalogue.Subtitles()) {
    EXPECT_EQ(subtitle.Id, expectedId++);
    EXPECT_EQ(catalogue.FindSubtitle(subtitle.Id), &subtitle);
    extensions.insert(AddressExtension(subtitle.FileName));
    fps.insert(subtitle.Fps);
    films.insert(subtitle.Film);
  }
  EXPECT_EQ(extensions, (std::set<std::string>{".ace", ".rar", ".srt", ".zip"}));
  EXPECT_TRUE(fps.contains("23.976") && fps.contains("25"));
  EXPECT_EQ(films.size(), catalogue.Films().size()) << "every film has subtitles";
  EXPECT_EQ(catalogue.FindSubtitle(TCatalogue::kFirstId - 1), nullptr);
  EXPECT_EQ(catalogue.FindSubtitle(expectedId), nullptr);
}

TEST(SimCatalogue, FilmTextMatchFoldsAsciiLettersOnly) {
  const auto catalogue = TCatalogue::Standard();
  const auto filmNames = [&](std::string_view text) {
    std::set<std::string> names;
    for (const auto* subtitle : catalogue.FindByFilmText(text)) names.insert(catalogue.FilmOf(*subtitle).Name);
    return names;
  };
  EXPECT_EQ(filmNames("ROMA"), (std::set<std::string>{"A\xF0\xFDr Roman", "Midnight Train to Roma"}));
  EXPECT_EQ(filmNames("a\xF0\xFDr"), (std::set<std::string>{"A\xF0\xFDr Roman"}));
  // Capital g-breve and dotless I are other bytes, not other cases.
  EXPECT_TRUE(filmNames("A\xD0IR").empty());
  EXPECT_EQ(catalogue.FindByFilmText("").size(), catalogue.Subtitles().size());
}

TEST(SimCatalogue, GeneratedFilmIsDeterministicAndWellFormed) {
  auto first = TCatalogue::Standard().AddGeneratedFilm("\xC7ok Sat\xFDr", 2010, 500);
  auto second = TCatalogue::Standard().AddGeneratedFilm("\xC7ok Sat\xFDr", 2010, 500);
  const auto rows = first.FindByFilmText("sat\xFDr");
  ASSERT_EQ(rows.size(), 500u);
  EXPECT_EQ(rows.front()->Id, TCatalogue::Standard().Subtitles().back().Id + 1);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const auto& row = *rows[i];
    const auto& same = second.Subtitles()[second.Subtitles().size() - 500 + i];
    EXPECT_EQ(row.FileName, same.FileName);
    EXPECT_EQ(row.Language, same.Language);
    EXPECT_TRUE(row.FileName.starts_with("Cok.Satir.")) << row.FileName;
    EXPECT_FALSE(AddressExtension(row.FileName).empty());
    EXPECT_NO_THROW(EnglishMonthAbbreviation(row.Date.Month));
    EXPECT_TRUE(row.Date.Day >= 1 && row.Date.Day <= 28);
  }
}

TEST(SimCatalogue, FilesCarryTheirArchiveSignature) {
  const std::pair<std::string, std::string_view> signatures[] = {
      {".zip", "PK\x03\x04"},
      {".rar", "Rar!\x1A\x07"},
      {".ace", std::string_view("\0\0\0\0\0\0\0**ACE**", 14)},
      {".srt", "1\r\n00:00:01,000 --> "},
  };
  const auto catalogue = TCatalogue::Standard();
  for (const auto& subtitle : catalogue.Subtitles()) {
    const std::string bytes = SubtitleFileBytes(catalogue, subtitle);
    for (const auto& [extension, signature] : signatures) {
      if (AddressExtension(subtitle.FileName) == extension) {
        EXPECT_TRUE(bytes.starts_with(signature)) << subtitle.FileName;
      }
    }
    // The film whose subtitle the file holds: its own, or the one an uploader mixed it up with.
    const std::string& named = catalogue.Films().at(subtitle.TextOf.value_or(subtitle.Film)).Name;
    if (AddressExtension(subtitle.FileName) == ".zip") {
      // A real archive: one subtitle per CD, each naming the film.
      const TUnpacked unpacked = UnpackBytes(bytes);
      ASSERT_EQ(unpacked.Candidates.size(), static_cast<std::size_t>(subtitle.CdCount)) << subtitle.FileName;
      for (const auto& file : unpacked.Candidates) EXPECT_TRUE(Contains(file.Content, named));
    } else {
      EXPECT_TRUE(Contains(bytes, named));
    }
  }
}

// --- Messages, forms and hosts -----------------------------------------------

TEST(SimMessages, RequestTargetsInBothForms) {
  const TRequest proxied = ParseRequestHead(
      "POST http://www.extratitles.net/index.php?a=1 HTTP/1.1\r\nHost: www.extratitles.net\r\n"
      "Content-Type: text/plain\r\nX-Empty:\r\n\r\n");
  EXPECT_TRUE(proxied.Proxied);
  EXPECT_EQ(proxied.Method, "POST");
  EXPECT_EQ(proxied.Host, "www.extratitles.net");
  EXPECT_EQ(proxied.Path, "/index.php");
  EXPECT_EQ(proxied.Query, "a=1");
  EXPECT_EQ(proxied.Header("content-type"), "text/plain");
  EXPECT_EQ(proxied.Headers.back(), (std::pair<std::string, std::string>{"x-empty", ""}));

  const TRequest bare = ParseRequestHead("GET HTTP://Extratitles.net HTTP/1.0\n\n");
  EXPECT_TRUE(bare.Proxied);
  EXPECT_EQ(bare.Host, "Extratitles.net");
  EXPECT_EQ(bare.Path, "/");

  const TRequest direct = ParseRequestHead("GET /x?y=%41 HTTP/1.1\r\nHOST: extratitles.localhost:81\r\n\r\n");
  EXPECT_FALSE(direct.Proxied);
  EXPECT_EQ(direct.Target, "/x?y=%41");
  EXPECT_EQ(direct.Host, "extratitles.localhost:81");
  EXPECT_EQ(direct.Query, "y=%41");

  EXPECT_THROW(ParseRequestHead("GET /\r\n\r\n"), TBadRequest);
  EXPECT_THROW(ParseRequestHead("GET / FTP/1.0\r\n\r\n"), TBadRequest);
  EXPECT_THROW(ParseRequestHead("GET / HTTP/1.1\r\nno colon\r\n\r\n"), TBadRequest);
}

TEST(SimMessages, KeepAliveFollowsVersionAndConnectionHeaders) {
  EXPECT_TRUE(WantsKeepAlive(ParseRequestHead("GET / HTTP/1.1\r\n\r\n")));
  EXPECT_FALSE(WantsKeepAlive(ParseRequestHead("GET / HTTP/1.1\r\nConnection: Close\r\n\r\n")));
  EXPECT_FALSE(WantsKeepAlive(ParseRequestHead("GET / HTTP/1.0\r\n\r\n")));
  EXPECT_TRUE(WantsKeepAlive(ParseRequestHead("GET / HTTP/1.0\r\nProxy-Connection: Keep-Alive\r\n\r\n")));
}

TEST(SimMessages, FormDecodingUndoesTheProgramsEncoding) {
  std::string everyByte;
  for (int c = 1; c < 256; ++c) everyByte += static_cast<char>(c);
  EXPECT_EQ(PercentDecode(UrlEncode(everyByte)), everyByte);
  EXPECT_EQ(PercentDecode("a+b%2Bc%zz%4"), "a b+c%zz%4");

  const auto fields = ParseForm("a=1&&flag&z3=x%20y=z&a=2");
  EXPECT_EQ(FormValue(fields, "a"), "1");
  EXPECT_EQ(FormValue(fields, "flag"), "");
  EXPECT_EQ(FormValue(fields, "z3"), "x y=z");
  EXPECT_EQ(FormValue(fields, "missing"), std::nullopt);
}

TEST(SimRouting, HostsThatReachExtraTitles) {
  const TRouter router = StandardRoutes(TCatalogue{});
  for (const char* host : {"www.extratitles.net", "WWW.ExtraTitles.NET:8080", "extratitles.net",
                           "extratitles.localhost:41234", "ExtraTitles.LocalHost"}) {
    const TRoute* route = router.Find(host);
    ASSERT_NE(route, nullptr) << host;
    EXPECT_EQ(route->Key, "extratitles");
  }
  for (const char* host : {"", "www.extratitles.net.example", "extratitles", "x.extratitles.net",
                           "www.extratitles.localhost", "nosuch.localhost:80"}) {
    EXPECT_EQ(router.Find(host), nullptr) << host;
  }
}

TEST(SimRouting, DirectSitesNameEveryHostUnderLocalhost) {
  const TSiteTable sites = DirectSites(4321);
  EXPECT_EQ(sites[SiteId::ExtraTitles].Host, "extratitles.localhost:4321");
  EXPECT_EQ(sites[SiteId::DivxForever].Host, "divxforever.localhost:4321");
  EXPECT_EQ(sites[SiteId::SubDb].Host, "subdb.localhost:4321");
  EXPECT_EQ(sites.UpdateHost(), "update.localhost:4321");
  EXPECT_EQ(StandardRoutes(TCatalogue{}).Find(sites[SiteId::ExtraTitles].Host)->Key, "extratitles");
}

TEST(SimHtml, EscapedTextReadsBackThroughTheTokenizer) {
  const std::string text = "Fast & \"Loud\" <3 > A\xF0\xFDr \x80\xFF;";
  const THTMLParser page = Tokenized("<p>" + HtmlEscape(text) + "</p>");
  ASSERT_EQ(page.Count(), 3u);
  EXPECT_EQ(page.TextOrName(1), text);
}

TEST(SimHtml, GzipMemberInflatesWithTheProgramsReader) {
  std::string page = "<html>\xDD\xFE\xF0</html>";
  for (int i = 0; i < 2000; ++i) page += std::to_string(i * 7919 % 1000);
  const std::string member = GzipMember(page);
  EXPECT_TRUE(member.starts_with("\x1F\x8B\x08\x00"));  // no optional header fields
  EXPECT_EQ(InflateGzipBody(member), page);
  EXPECT_EQ(InflateGzipBody(GzipMember("")), "");
}

// --- ExtraTitles pages, read by the program's own parsers ---------------------

// Runs the program's result parser over `page` on this thread. Detail requests
// go to a closed port and fail at once: each record keeps what its row gave.
std::vector<TSubtitleInfo> ParseResultPage(const std::string& page) {
  TSiteTable sites = TSiteTable::Defaults();
  sites[SiteId::ExtraTitles].Host = "127.0.0.1:1";
  std::vector<TSubtitleInfo> records;
  auto thread = TSearchThread::Create(std::make_shared<TQueueDispatcher>(), {},
                                      {.OnRecord = [&](TSubtitleInfo& record) { records.push_back(record); }}, sites);
  thread->Tokenize(SplitLines(page));
  WalkCurrentPage(kExtraTitlesAdapter, *thread);
  return records;
}

struct TExpectedRow {
  int Id;
  const char* Language;
  const char* Film;
};

std::vector<TSubtitleInfo> RowRecords(const std::vector<TExpectedRow>& rows) {
  std::vector<TSubtitleInfo> records;
  for (const auto& row : rows) {
    TSubtitleInfo& record = records.emplace_back();
    record.FilmName = row.Film;
    record.Url = "http://127.0.0.1:1/index.php?pid=subt2&p=i&rid=" + std::to_string(row.Id);
    record.Language = row.Language;
  }
  return records;
}

class ExtraTitlesPages : public testing::Test {
 protected:
  std::string Search(std::string_view film, std::string_view language, int max) const {
    return Site.ResultPage(ParseExtraTitlesQuery(BuildExtraTitlesQuery(film, ExtraTitlesLanguageCode(language), max)));
  }

  TCatalogue Catalogue = TCatalogue::Standard();
  TExtraTitlesSite Site{Catalogue};
};

TEST_F(ExtraTitlesPages, QueryReadsBackWhatTheProgramBuilt) {
  const std::string film = "\xDE\xFCkr\xFC Bey'in 100% + #1*";
  const auto query = ParseExtraTitlesQuery(BuildExtraTitlesQuery(film, 26, 7));
  EXPECT_EQ(query.Film, film);
  EXPECT_EQ(query.LanguageCode, 26);
  EXPECT_EQ(query.MaxResults, 7);

  const auto defaults = ParseExtraTitlesQuery("jaz=x&bp=");
  EXPECT_EQ(defaults.LanguageCode, 0);
  EXPECT_EQ(defaults.MaxResults, TExtraTitlesQuery::kDefaultMaxResults);
  EXPECT_EQ(ParseExtraTitlesQuery("bp=-4").MaxResults, 0);
}

TEST_F(ExtraTitlesPages, ResultRowsNewestFirst) {
  EXPECT_EQ(ParseResultPage(Search("roma", "All", 50)), RowRecords({
                                                            {1019, "Turkish", "Midnight Train to Roma"},
                                                            {1018, "English", "Midnight Train to Roma"},
                                                            {1003, "English", "A\xF0\xFDr Roman"},
                                                            {1001, "Turkish", "A\xF0\xFDr Roman"},
                                                            {1002, "Turkish", "A\xF0\xFDr Roman"},
                                                            {1004, "German", "A\xF0\xFDr Roman"},
                                                        }));
}

TEST_F(ExtraTitlesPages, LanguageAndCountLimitTheRows) {
  EXPECT_EQ(ParseResultPage(Search("ROMA", "Turkish", 50)), RowRecords({
                                                                {1019, "Turkish", "Midnight Train to Roma"},
                                                                {1001, "Turkish", "A\xF0\xFDr Roman"},
                                                                {1002, "Turkish", "A\xF0\xFDr Roman"},
                                                            }));
  EXPECT_EQ(ParseResultPage(Search("roma", "All", 2)), RowRecords({
                                                           {1019, "Turkish", "Midnight Train to Roma"},
                                                           {1018, "English", "Midnight Train to Roma"},
                                                       }));
  EXPECT_TRUE(ParseResultPage(Search("roma", "All", 0)).empty());
}

TEST_F(ExtraTitlesPages, FilmNamesComeBackDecoded) {
  EXPECT_EQ(ParseResultPage(Search("loud", "All", 50)), RowRecords({
                                                            {1021, "Turkish", "Fast & Loud"},
                                                            {1020, "English", "Fast & Loud"},
                                                        }));
}

TEST_F(ExtraTitlesPages, NoResultsMeansNoFlagImage) {
  const std::string page = Search("no such film", "All", 50);
  const THTMLParser tokens = Tokenized(page);
  for (const auto& token : tokens.Tokens()) {
    if (const auto* img = token.TagNamed("IMG")) {
      for (const auto& param : img->Params) EXPECT_FALSE(Contains(param.Value, "pics/flags/")) << img->Raw;
    }
  }
  EXPECT_GT(tokens.Count(), 20u) << "still a whole page";
  EXPECT_TRUE(ParseResultPage(page).empty());
}

TEST_F(ExtraTitlesPages, ManyGeneratedRows) {
  Catalogue.AddGeneratedFilm("Generated Film", 2010, 300);
  const auto records = ParseResultPage(Search("generated", "All", 1000));
  ASSERT_EQ(records.size(), 300u);
  std::set<std::string> urls;
  for (const auto& record : records) {
    EXPECT_EQ(record.FilmName, "Generated Film");
    urls.insert(record.Url);
  }
  EXPECT_EQ(urls.size(), 300u);
}

TEST_F(ExtraTitlesPages, DetailPagesGiveEveryField) {
  Catalogue.AddGeneratedFilm("Generated Film", 2010, 40);
  const std::string base = "http://www.extratitles.net/";
  for (const auto& subtitle : Catalogue.Subtitles()) {
    TSubtitleInfo record;
    record.FilmName = record.Language = "kept";
    record.Url = "detail";
    ReadExtraTitlesDetails(Tokenized(Site.DetailPage(subtitle)), base, record);
    EXPECT_EQ(record, DetailedRecord("kept", "kept", base, subtitle)) << subtitle.Id;
    EXPECT_EQ(AddressExtension(record.Url), AddressExtension(subtitle.FileName)) << record.Url;
  }
}

TEST(ExtraTitlesDates, EnglishMonthCommaTwoDigitDay) {
  EXPECT_EQ(TExtraTitlesSite::DateText({2004, 1, 5}), "Jan, 05 2004");
  EXPECT_EQ(TExtraTitlesSite::DateText({1999, 12, 31}), "Dec, 31 1999");
}

// --- The server over real connections ----------------------------------------

class SiteSimServer : public testing::Test {
 protected:
  void SetUp() override { Server.Start(); }

  std::string Port() const { return std::to_string(Server.Port()); }
  std::string Direct(std::string_view pathAndQuery) const {
    return "http://extratitles.localhost:" + Port() + std::string(pathAndQuery);
  }
  std::unique_ptr<THttpClient> Client() const {
    auto client = std::make_unique<THttpClient>();
    client->SetConnectTimeout(10000);
    client->SetReadTimeout(10000);
    return client;
  }
  std::unique_ptr<THttpClient> ProxiedClient() const {
    auto client = Client();
    client->SetProxy(TSimServer::kLoopback, Server.Port());
    return client;
  }

  // Bytes on a plain socket, for requests no HTTP client would send. With a
  // body, sends it once the first answer has arrived. Returns everything the
  // server sent until it closed.
  std::string RawExchange(const std::string& head, const std::string& body = "") const {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(Server.Port());
    ::inet_pton(AF_INET, TSimServer::kLoopback, &address.sin_addr);
    const timeval timeout{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    std::string answer;
    const auto receive = [&] {
      char chunk[4096];
      const auto received = ::recv(fd, chunk, sizeof chunk, 0);
      if (received > 0) answer.append(chunk, static_cast<std::size_t>(received));
      return received > 0;
    };
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
        ::send(fd, head.data(), head.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(head.size())) {
      if (!body.empty()) {
        while (!Contains(answer, "\r\n\r\n") && receive()) {
        }
        ::send(fd, body.data(), body.size(), MSG_NOSIGNAL);
      }
      while (receive()) {
      }
    }
    ::close(fd);
    return answer;
  }

  TSimServer Server;
};

constexpr std::string_view kDetail1001 = "/index.php?pid=subt2&p=i&rid=1001";

TEST_F(SiteSimServer, DirectRequestIsRoutedByHostAndRecorded) {
  const std::string body = Client()->Get(Direct(kDetail1001));
  EXPECT_TRUE(Contains(body, "framerate:"));

  const auto requests = Server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  const auto& request = requests[0];
  EXPECT_EQ(request.Method, "GET");
  EXPECT_EQ(request.Target, kDetail1001);
  EXPECT_FALSE(request.Proxied);
  EXPECT_EQ(request.Host, "extratitles.localhost:" + Port());
  EXPECT_EQ(request.Path, "/index.php");
  EXPECT_EQ(request.Query, "pid=subt2&p=i&rid=1001");
  EXPECT_EQ(request.Route, "extratitles");
  EXPECT_EQ(request.Header("user-agent"), THttpClient::kUserAgent);

  Server.ClearRequests();
  EXPECT_TRUE(Server.Requests().empty());
}

TEST_F(SiteSimServer, ProxyRequestIsRoutedByTargetHostAndRecorded) {
  const std::string query = BuildExtraTitlesQuery("roma", 0, 50);
  auto client = ProxiedClient();
  client->SetContentType(kFormType);
  const std::string page = client->Post("http://www.extratitles.net/index.php", query);
  EXPECT_EQ(ParseResultPage(page).size(), 6u);

  const auto requests = Server.RequestsTo(SiteId::ExtraTitles);
  ASSERT_EQ(requests.size(), 1u);
  const auto& request = requests[0];
  EXPECT_EQ(request.Method, "POST");
  EXPECT_EQ(request.Target, "http://www.extratitles.net/index.php");
  EXPECT_TRUE(request.Proxied);
  EXPECT_EQ(request.Host, "www.extratitles.net");
  EXPECT_EQ(request.Body, query);
  EXPECT_EQ(request.Header("content-type"), kFormType);

  EXPECT_TRUE(Contains(ProxiedClient()->Get("http://extratitles.net" + std::string(kDetail1001)), "framerate:"));
}

TEST_F(SiteSimServer, UnknownHostsAndPages) {
  const auto statusOf = [](const std::function<void()>& request) {
    try {
      request();
    } catch (const THttpError& e) {
      return e.Status();
    }
    return 200;
  };
  EXPECT_EQ(statusOf([&] { ProxiedClient()->Get("http://www.nosuch.net/"); }), 502);
  EXPECT_EQ(statusOf([&] { Client()->Get("http://nosuch.localhost:" + Port() + "/"); }), 404);
  EXPECT_EQ(statusOf([&] { Client()->Get(Direct("/index.php?pid=subt2&p=i&rid=99999")); }), 404);
  EXPECT_EQ(statusOf([&] { Client()->Get(Direct("/other.php")); }), 404);

  const auto requests = Server.Requests();
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_EQ(requests[0].Route, "");
  EXPECT_EQ(requests[0].Host, "www.nosuch.net");
  EXPECT_EQ(requests[2].Route, "extratitles");
}

TEST_F(SiteSimServer, DownloadCarriesFileNameAndBytes) {
  const auto& subtitle = *Server.Catalogue().FindSubtitle(1004);
  auto client = Client();
  const std::string bytes = client->Get(Direct("/" + TExtraTitlesSite::DownloadLink(subtitle)));
  EXPECT_EQ(bytes, SubtitleFileBytes(Server.Catalogue(), subtitle));
  EXPECT_EQ(client->ResponseHeader("content-disposition"), "attachment; filename=\"agir.roman.de.ace\"");
}

TEST_F(SiteSimServer, MalformedRequestsGetAnErrorAndTheServerGoesOn) {
  EXPECT_TRUE(RawExchange("nonsense\r\n\r\n").starts_with("HTTP/1.1 400 "));
  EXPECT_TRUE(RawExchange("POST /index.php HTTP/1.1\r\nHost: www.extratitles.net\r\nContent-Length: x\r\n\r\n")
                  .starts_with("HTTP/1.1 400 "));
  EXPECT_TRUE(RawExchange("GET / HTTP/1.1\r\nHost: extratitles.net\r\nX: " + std::string(70000, 'a') + "\r\n\r\n")
                  .starts_with("HTTP/1.1 431 "));
  EXPECT_TRUE(Contains(Client()->Get(Direct(kDetail1001)), "framerate:"));
}

TEST_F(SiteSimServer, ExpectContinueGetsItsInterimAnswer) {
  const std::string answer = RawExchange(
      "POST /index.php HTTP/1.1\r\nHost: www.extratitles.net\r\nExpect: 100-continue\r\nContent-Length: 7\r\n"
      "Connection: close\r\n\r\n",
      "z3=loud");
  EXPECT_TRUE(answer.starts_with("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\n")) << answer.substr(0, 200);
  EXPECT_TRUE(Contains(answer, "Fast &amp; Loud"));
}

// --- Fault switches -------------------------------------------------------------

TEST_F(SiteSimServer, ErrorStatusOnlyWhereTheTargetMatches) {
  Server.AddFault(SiteId::ExtraTitles, TFault::ErrorStatus(503).When("rid=1002"));
  Server.AddFault(SiteId::Podnapisi, TFault::ErrorStatus(500));  // another site's switch
  EXPECT_NO_THROW(Client()->Get(Direct(kDetail1001)));
  try {
    Client()->Get(Direct("/index.php?pid=subt2&p=i&rid=1002"));
    ADD_FAILURE() << "no error status";
  } catch (const THttpError& e) {
    EXPECT_EQ(e.Status(), 503);
  }
  EXPECT_EQ(Server.Requests().size(), 2u) << "faulted requests are recorded too";

  Server.ClearFaults();
  EXPECT_NO_THROW(Client()->Get(Direct("/index.php?pid=subt2&p=i&rid=1002")));
}

TEST_F(SiteSimServer, ResetMidBodyDeliversOnlyPartOfTheAnnouncedBody) {
  const std::string whole = Client()->Get(Direct(kDetail1001));
  const auto receivedBeforeFailure = [&] {
    std::string received;
    EXPECT_THROW(Client()->Get(Direct(kDetail1001), [&](std::string_view bytes) { received.append(bytes); }),
                 THttpError);
    return received;
  };

  Server.AddFault(SiteId::ExtraTitles, TFault::ResetMidBody(100));
  EXPECT_EQ(receivedBeforeFailure(), whole.substr(0, 100));

  Server.ClearFaults();
  Server.AddFault(SiteId::ExtraTitles, TFault::ResetMidBody());
  EXPECT_EQ(receivedBeforeFailure(), whole.substr(0, whole.size() / 2));

  // Faults apply in the order they were added: here the replaced body is cut.
  Server.ClearFaults();
  Server.AddFault(SiteId::ExtraTitles, TFault::ReplaceBody("0123456789"));
  Server.AddFault(SiteId::ExtraTitles, TFault::ResetMidBody(3));
  EXPECT_EQ(receivedBeforeFailure(), "012");
}

TEST_F(SiteSimServer, ReplaceBodySendsTheBytesAsTheyAre) {
  std::string high;
  for (int c = 0x80; c <= 0xFF; ++c) high += static_cast<char>(c);
  const std::string bodies[] = {
      "",
      std::string("<html>\0\0<a href=\"x\0\">", 22),
      high,
      "<table><tr><td><img src=\"pics/flags/1.gif\" alt=\"Eng",
  };
  for (const auto& body : bodies) {
    Server.ClearFaults();
    Server.AddFault(SiteId::ExtraTitles, TFault::ReplaceBody(body));
    EXPECT_EQ(Client()->Get(Direct(kDetail1001)), body);
  }
}

TEST_F(SiteSimServer, ReplaceBodyWithFiftyMegabytes) {
  std::string huge(50u << 20, 'x');
  huge.front() = '<';
  huge.back() = '>';
  Server.AddFault(SiteId::ExtraTitles, TFault::ReplaceBody(std::move(huge)).When("rid="));
  const std::string body = Client()->Get(Direct(kDetail1001));
  EXPECT_EQ(body.size(), 50u << 20);
  EXPECT_EQ(body.front(), '<');
  EXPECT_EQ(body.back(), '>');
}

TEST_F(SiteSimServer, DelayHoldsTheAnswerBack) {
  Server.AddFault(SiteId::ExtraTitles, TFault::Delay(300ms));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(Contains(Client()->Get(Direct(kDetail1001)), "framerate:"));
  EXPECT_GE(std::chrono::steady_clock::now() - start, 300ms);
}

TEST_F(SiteSimServer, StopReturnsPromptlyWhileARequestWaitsInADelay) {
  Server.AddFault(SiteId::ExtraTitles, TFault::Delay(60s));
  auto waiting = std::async(std::launch::async, [&] { return Client()->Get(Direct(kDetail1001)); });
  while (Server.Requests().empty()) std::this_thread::sleep_for(5ms);

  const auto start = std::chrono::steady_clock::now();
  Server.Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
  ASSERT_EQ(waiting.wait_for(5s), std::future_status::ready);
  EXPECT_THROW(waiting.get(), THttpError);
}

}  // namespace
}  // namespace velkaro::sim
