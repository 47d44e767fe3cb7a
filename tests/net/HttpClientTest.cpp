#include "HttpClient.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "LoopbackServer.h"

namespace velkaro {
namespace {

using namespace std::chrono_literals;
using test::TGate;
using test::TLoopbackServer;

const std::string kGzipBody("\x1f\x8b\x08\x00\x00\x00\x00\x00\x02\x03\x2b\x2e\x4d\x2a\xc9\x2c\xc9\x49\x55\x28\x49"
                            "\xad\x28\xe1\x02\x00\xf1\xb0\xe9\x42\x0e\x00\x00\x00",
                            34);

std::string EveryByte(int repeats) {
  std::string bytes;
  for (int r = 0; r < repeats; ++r) {
    for (int b = 0; b < 256; ++b) bytes.push_back(static_cast<char>(b));
  }
  return bytes;
}

// What the server saw of one request.
struct TSeenRequest {
  std::string Method;
  std::string Target;
  httplib::Headers Headers;
  std::string Body;

  std::optional<std::string> Header(const std::string& name) const {
    const auto found = Headers.find(name);
    return found == Headers.end() ? std::nullopt : std::optional(found->second);
  }
};

class TRequestLog {
 public:
  void Record(const httplib::Request& request) {
    std::lock_guard lock(Mutex_);
    Seen_.push_back({request.method, request.target, {request.headers.begin(), request.headers.end()}, request.body});
  }
  std::vector<TSeenRequest> All() {
    std::lock_guard lock(Mutex_);
    return Seen_;
  }
  TSeenRequest Last() {
    std::lock_guard lock(Mutex_);
    return Seen_.empty() ? TSeenRequest{} : Seen_.back();
  }
  size_t Count() {
    std::lock_guard lock(Mutex_);
    return Seen_.size();
  }

 private:
  std::mutex Mutex_;
  std::vector<TSeenRequest> Seen_;
};

// Sets an environment variable for one scope.
class TScopedEnv {
 public:
  TScopedEnv(const char* name, const char* value) : Name_(name) {
    if (const char* old = std::getenv(name)) Old_ = old;
    setenv(name, value, 1);
  }
  ~TScopedEnv() {
    if (Old_) {
      setenv(Name_, Old_->c_str(), 1);
    } else {
      unsetenv(Name_);
    }
  }
  TScopedEnv(const TScopedEnv&) = delete;
  TScopedEnv& operator=(const TScopedEnv&) = delete;

 private:
  const char* Name_;
  std::optional<std::string> Old_;
};

int UnusedLoopbackPort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

class HttpClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto& routes = Server.Routes();
    const auto echo = [this](const httplib::Request& request, httplib::Response& response) {
      Log.Record(request);
      response.set_content("ok", "text/plain");
    };
    routes.Get("/echo", echo);
    routes.Post("/echo", echo);
    routes.Post("/mirror", [this](const httplib::Request& request, httplib::Response& response) {
      Log.Record(request);
      response.set_content(request.body, "application/octet-stream");
    });
    routes.Get("/binary", [](const httplib::Request&, httplib::Response& response) {
      response.set_content(EveryByte(4), "application/octet-stream");
    });
    routes.Get("/gzip", [this](const httplib::Request& request, httplib::Response& response) {
      Log.Record(request);
      response.set_header("Content-Encoding", "gzip");
      response.set_content(kGzipBody, "application/octet-stream");
    });
    routes.Get("/set-cookie", [](const httplib::Request&, httplib::Response& response) {
      response.set_header("Set-Cookie", "session=abc123; Path=/");
      response.set_content("set", "text/plain");
    });
    routes.Get("/cookie", [](const httplib::Request& request, httplib::Response& response) {
      response.set_content(request.get_header_value("Cookie"), "text/plain");
    });
    routes.Get("/redirect", [](const httplib::Request&, httplib::Response& response) {
      response.status = 302;
      response.set_header("Location", "/echo");
      response.set_content("moved here", "text/plain");
    });
    routes.Get(R"(/status/(\d+))", [](const httplib::Request& request, httplib::Response& response) {
      response.status = std::stoi(request.matches[1]);
      response.set_content("failure page", "text/plain");
    });
    routes.Get("/download", [](const httplib::Request&, httplib::Response& response) {
      response.set_header("Content-Disposition", "attachment; filename=\"film.srt\"");
      response.set_content("1\n00:00:01,000 --> 00:00:02,000\nHi\n", "application/octet-stream");
    });
    // Answers only when the gate opens: at the latest when the test ends.
    routes.Get("/stall", [this](const httplib::Request&, httplib::Response& response) {
      Stall.Wait(30s);
      response.set_content("late", "text/plain");
    });
    // Starts the body, then stalls like /stall.
    routes.Get("/half", [this](const httplib::Request&, httplib::Response& response) {
      response.set_chunked_content_provider("application/octet-stream", [this](size_t offset, httplib::DataSink& sink) {
        if (offset > 0) Stall.Wait(30s);
        sink.write("first", 5);
        if (offset > 0) sink.done();
        return true;
      });
    });
    // 1024 bytes in four chunks, without a stated length.
    routes.Get("/chunked", [](const httplib::Request&, httplib::Response& response) {
      response.set_chunked_content_provider("application/octet-stream", [](size_t offset, httplib::DataSink& sink) {
        sink.write(std::string(256, 'c').data(), 256);
        if (offset + 256 >= 1024) sink.done();
        return true;
      });
    });
    // Eight chunks, 100 ms apart: slow in total, never silent for long.
    routes.Get("/trickle", [](const httplib::Request&, httplib::Response& response) {
      response.set_chunked_content_provider("application/octet-stream", [](size_t offset, httplib::DataSink& sink) {
        std::this_thread::sleep_for(100ms);
        sink.write("chunk", 5);
        if (offset + 5 >= 40) sink.done();
        return true;
      });
    });
    Server.Start();
  }

  void TearDown() override {
    Stall.Open();
    Server.Stop();
  }

  std::string Url(std::string_view path) const { return Server.Url(path); }

  TLoopbackServer Server;
  TRequestLog Log;
  TGate Stall;
};

// --- request headers -------------------------------------------------------

TEST_F(HttpClientTest, EveryRequestCarriesAgentAndAccept) {
  THttpClient client;
  client.Get(Url("/echo"));
  client.Post(Url("/echo"), "a=1");
  for (const TSeenRequest& seen : Log.All()) {
    SCOPED_TRACE(seen.Method);
    EXPECT_EQ(seen.Header("User-Agent"), "Mozilla/3.0 (compatible; Indy Library)");
    EXPECT_EQ(seen.Header("Accept"), "text/html, */*");
  }
  EXPECT_EQ(Log.Count(), 2u);
}

TEST_F(HttpClientTest, ContentTypeAndRefererStayForLaterRequests) {
  THttpClient client;
  client.Get(Url("/echo"));
  EXPECT_EQ(Log.Last().Header("Referer"), std::nullopt);

  client.SetContentType("application/x-www-form-urlencoded");
  client.SetReferer("http://www.example-site.test/list");
  client.Post(Url("/echo"), "a=1");
  client.Get(Url("/echo"));
  const auto all = Log.All();
  ASSERT_EQ(all.size(), 3u);
  for (size_t i = 1; i < all.size(); ++i) {
    SCOPED_TRACE(all[i].Method);
    EXPECT_EQ(all[i].Header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(all[i].Header("Referer"), "http://www.example-site.test/list");
  }
}

TEST_F(HttpClientTest, LargePostIsSentWithoutExpectContinue) {
  const std::string body(2 * 1024 * 1024, 'x');
  THttpClient client;
  client.SetContentType("application/octet-stream");  // the server caps form bodies
  EXPECT_EQ(client.Post(Url("/mirror"), body).size(), body.size());
  EXPECT_EQ(Log.Last().Header("Expect"), std::nullopt);
}

// --- bodies arrive and leave byte for byte --------------------------------

struct TBodyCase {
  const char* Name;
  bool Post;
  bool ThroughSink;
  const char* Path;
  std::string RequestBody;
  std::string Expected;
};

TEST_F(HttpClientTest, BodiesTravelByteForByte) {
  const std::string binary = EveryByte(4);
  const std::vector<TBodyCase> cases = {
      {"binary GET as text", false, false, "/binary", "", binary},
      {"binary GET into a sink", false, true, "/binary", "", binary},
      {"binary POST as text", true, false, "/mirror", binary, binary},
      {"binary POST into a sink", true, true, "/mirror", binary, binary},
      {"empty POST", true, false, "/mirror", "", ""},
  };
  THttpClient client;  // one client throughout: GET and POST must alternate cleanly
  for (const TBodyCase& c : cases) {
    SCOPED_TRACE(c.Name);
    std::string received;
    const auto collect = [&received](std::string_view chunk) { received.append(chunk); };
    if (c.Post && c.ThroughSink) {
      client.Post(Url(c.Path), c.RequestBody, collect);
    } else if (c.Post) {
      received = client.Post(Url(c.Path), c.RequestBody);
    } else if (c.ThroughSink) {
      client.Get(Url(c.Path), collect);
    } else {
      received = client.Get(Url(c.Path));
    }
    EXPECT_EQ(received, c.Expected);
    if (c.Post) {
      EXPECT_EQ(Log.Last().Method, "POST");
      EXPECT_EQ(Log.Last().Body, c.RequestBody);
    }
  }
}

TEST_F(HttpClientTest, CompressedBodyIsNotDecoded) {
  THttpClient client;
  client.SetAcceptEncoding("gzip, deflate");
  EXPECT_EQ(client.Get(Url("/gzip")), kGzipBody);
  EXPECT_EQ(Log.Last().Header("Accept-Encoding"), "gzip, deflate");
  EXPECT_EQ(client.ResponseHeader("content-encoding"), "gzip");
}

TEST_F(HttpClientTest, GetAfterPostSendsNoBody) {
  THttpClient client;
  client.Post(Url("/echo"), "form=1");
  client.Get(Url("/echo"));
  client.Post(Url("/echo"), std::string_view("a\0b", 3));
  const auto all = Log.All();
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[1].Method, "GET");
  EXPECT_EQ(all[1].Body, "");
  EXPECT_EQ(all[1].Header("Content-Length").value_or("0"), "0");
  EXPECT_EQ(all[2].Method, "POST");
  EXPECT_EQ(all[2].Body, std::string("a\0b", 3));
}

// --- cookies --------------------------------------------------------------

TEST_F(HttpClientTest, CookiesStayWithTheirClient) {
  THttpClient first;
  THttpClient second;
  first.Get(Url("/set-cookie"));
  EXPECT_EQ(first.Get(Url("/cookie")), "session=abc123");
  EXPECT_EQ(second.Get(Url("/cookie")), "");
}

// --- responses ------------------------------------------------------------

TEST_F(HttpClientTest, RedirectIsReturnedNotFollowed) {
  THttpClient client;
  EXPECT_EQ(client.Get(Url("/redirect")), "moved here");
  EXPECT_EQ(client.LastStatus(), 302);
  EXPECT_EQ(client.ResponseHeader("location"), "/echo");
  EXPECT_EQ(Log.Count(), 0u);
}

TEST_F(HttpClientTest, ErrorStatusThrowsWithItsStatus) {
  const struct {
    int Status;
    const char* Message;
  } cases[] = {
      {404, "HTTP/1.1 404 Not Found"},
      {500, "HTTP/1.1 500 Internal Server Error"},
      {400, "HTTP/1.1 400 Bad Request"},
  };
  THttpClient client;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Status);
    std::string sunk;
    try {
      client.Get(Url("/status/" + std::to_string(c.Status)), [&sunk](std::string_view chunk) { sunk.append(chunk); });
      ADD_FAILURE() << "no error";
    } catch (const THttpError& error) {
      EXPECT_EQ(error.Status(), c.Status);
      EXPECT_STREQ(error.what(), c.Message);
    }
    EXPECT_EQ(client.LastStatus(), c.Status);
    EXPECT_EQ(sunk, "") << "an error page is no content";
  }
  EXPECT_EQ(client.Get(Url("/status/200")), "failure page");
  EXPECT_EQ(client.LastStatus(), 200);
}

TEST_F(HttpClientTest, ResponseHeaderIgnoresCaseAndResets) {
  THttpClient client;
  client.Get(Url("/download"));
  for (const char* name : {"Content-Disposition", "content-disposition", "CONTENT-DISPOSITION"}) {
    EXPECT_EQ(client.ResponseHeader(name), "attachment; filename=\"film.srt\"") << name;
  }
  EXPECT_EQ(client.ResponseHeader("X-Absent"), "");
  client.Get(Url("/echo"));
  EXPECT_EQ(client.ResponseHeader("Content-Disposition"), "");
}

// --- failures without an answer -------------------------------------------

TEST_F(HttpClientTest, RefusedConnectionThrowsWithoutStatus) {
  THttpClient client;
  client.SetConnectTimeout(5000);
  try {
    client.Get("http://127.0.0.1:" + std::to_string(UnusedLoopbackPort()) + "/");
    ADD_FAILURE() << "no error";
  } catch (const THttpAborted&) {
    ADD_FAILURE() << "reported as an abort";
  } catch (const THttpError& error) {
    EXPECT_EQ(error.Status(), 0);
    EXPECT_STRNE(error.what(), "");
  }
  EXPECT_EQ(client.LastStatus(), 0);
}

TEST_F(HttpClientTest, ReadTimeOutCountsSilenceNotDuration) {
  {
    SCOPED_TRACE("silent server");
    THttpClient client;
    client.SetReadTimeout(300);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(client.Get(Url("/stall")), THttpError);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
  }
  {
    SCOPED_TRACE("slow but steady server");
    THttpClient client;
    client.SetReadTimeout(300);
    EXPECT_EQ(client.Get(Url("/trickle")), "chunkchunkchunkchunkchunkchunkchunkchunk");
  }
}

// --- transfer notifications -----------------------------------------------

struct TEvent {
  char Kind;  // 'B'egin, 'P'rogress, 'E'nd
  TTransferDirection Direction;
  std::int64_t Bytes;
};

TTransferHandlers Recording(std::vector<TEvent>& events) {
  return {[&events](TTransferDirection d, std::int64_t total) { events.push_back({'B', d, total}); },
          [&events](TTransferDirection d, std::int64_t done) { events.push_back({'P', d, done}); },
          [&events](TTransferDirection d) { events.push_back({'E', d, 0}); }};
}

std::vector<TEvent> OfDirection(const std::vector<TEvent>& events, TTransferDirection direction) {
  std::vector<TEvent> picked;
  for (const TEvent& e : events) {
    if (e.Direction == direction) picked.push_back(e);
  }
  return picked;
}

// Begin first with `total`, End last, Progress growing up to `last`.
void ExpectBracketed(const std::vector<TEvent>& events, std::int64_t total, std::int64_t last) {
  ASSERT_GE(events.size(), 2u);
  EXPECT_EQ(events.front().Kind, 'B');
  EXPECT_EQ(events.front().Bytes, total);
  EXPECT_EQ(events.back().Kind, 'E');
  std::int64_t previous = 0;
  for (size_t i = 1; i + 1 < events.size(); ++i) {
    EXPECT_EQ(events[i].Kind, 'P');
    EXPECT_GT(events[i].Bytes, previous);
    previous = events[i].Bytes;
  }
  EXPECT_EQ(previous, last);
}

TEST_F(HttpClientTest, TransferNotificationsBracketEachDirection) {
  std::vector<TEvent> events;
  THttpClient client;
  client.SetTransferHandlers(Recording(events));

  client.Get(Url("/binary"));
  EXPECT_TRUE(OfDirection(events, TTransferDirection::Writing).empty());
  ExpectBracketed(events, 1024, 1024);

  events.clear();
  client.Get(Url("/trickle"));
  ExpectBracketed(events, -1, 40);

  events.clear();
  const std::string body(10000, 'p');
  client.SetContentType("application/octet-stream");  // the server caps form bodies
  client.Post(Url("/mirror"), body);
  ExpectBracketed(OfDirection(events, TTransferDirection::Reading), 10000, 10000);
  const auto writing = OfDirection(events, TTransferDirection::Writing);
  ASSERT_FALSE(writing.empty());
  EXPECT_EQ(writing.front().Kind, 'B');
  EXPECT_EQ(writing.front().Bytes, 10000);
  EXPECT_EQ(writing.back().Kind, 'E');
  EXPECT_EQ(events.front().Direction, TTransferDirection::Writing) << "the upload comes first";

  events.clear();
  client.SetReadTimeout(300);
  EXPECT_THROW(client.Get(Url("/half")), THttpError);
  ExpectBracketed(events, -1, 5);
}

TEST_F(HttpClientTest, BodyOverTheLimitFailsTheRequest) {
  THttpClient client;
  client.SetMaxBodySize(1024);
  EXPECT_EQ(client.Get(Url("/binary")).size(), 1024u);
  EXPECT_EQ(client.Get(Url("/chunked")).size(), 1024u);

  client.SetMaxBodySize(1023);
  std::size_t delivered = 0;
  const TByteSink count = [&](std::string_view chunk) { delivered += chunk.size(); };
  // A stated length over the limit: not one byte reaches the sink.
  EXPECT_THROW(client.Get(Url("/binary"), count), THttpError);
  EXPECT_EQ(delivered, 0u);
  // No stated length: counted as the bytes arrive, stopped before the one too many.
  EXPECT_THROW(client.Get(Url("/chunked"), count), THttpError);
  EXPECT_LE(delivered, 1023u);

  client.SetMaxBodySize(0);
  EXPECT_EQ(client.Get(Url("/chunked")).size(), 1024u);
}

TEST_F(HttpClientTest, ThrowingSinkEndsTransferWithItsException) {
  struct TDiskFull {};
  THttpClient client;
  EXPECT_THROW(client.Get(Url("/binary"), [](std::string_view) { throw TDiskFull{}; }), TDiskFull);
  EXPECT_EQ(client.Get(Url("/echo")), "ok") << "the client stays usable";
}

// --- proxy ----------------------------------------------------------------

class HttpClientProxyTest : public HttpClientTest {
 protected:
  void SetUp() override {
    HttpClientTest::SetUp();
    Proxy.Routes().Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
      ProxyLog.Record(request);
      response.set_content("via proxy", "text/plain");
    });
    Proxy.Start();
  }
  void TearDown() override {
    Proxy.Stop();
    HttpClientTest::TearDown();
  }

  TLoopbackServer Proxy;
  TRequestLog ProxyLog;
};

TEST_F(HttpClientProxyTest, ProxyGetsAbsoluteTargets) {
  // A no_proxy variable must not bypass the proxy the user chose.
  const TScopedEnv noProxy("no_proxy", "*");
  THttpClient client;
  client.SetProxy("127.0.0.1", Proxy.Port());
  EXPECT_EQ(client.Get("http://www.example-site.test/x?q=1"), "via proxy");
  EXPECT_EQ(ProxyLog.Last().Target, "http://www.example-site.test/x?q=1");
  EXPECT_EQ(ProxyLog.Last().Header("Host"), "www.example-site.test");
}

TEST_F(HttpClientProxyTest, EnvironmentProxyIsIgnoredWithoutOne) {
  const std::string proxy = "http://127.0.0.1:" + std::to_string(Proxy.Port());
  const TScopedEnv httpProxy("http_proxy", proxy.c_str());
  const TScopedEnv noProxy("no_proxy", "");
  THttpClient client;
  EXPECT_EQ(client.Get(Url("/echo")), "ok");
  EXPECT_EQ(ProxyLog.Count(), 0u);
}

// --- abort and cancel -----------------------------------------------------

std::future<void> GetInBackground(THttpClient& client, std::string url) {
  return std::async(std::launch::async, [&client, url = std::move(url)] { client.Get(url); });
}

void ExpectAbortedSoon(std::future<void>& transfer) {
  ASSERT_EQ(transfer.wait_for(5s), std::future_status::ready) << "the transfer did not end";
  EXPECT_THROW(transfer.get(), THttpAborted);
}

TEST_F(HttpClientTest, AbortEndsRunningAndLaterTransfers) {
  THttpClient client;
  auto transfer = GetInBackground(client, Url("/stall"));
  ASSERT_TRUE(Stall.AwaitArrivals(1, 5s));
  client.Abort();
  ExpectAbortedSoon(transfer);

  EXPECT_THROW(client.Get(Url("/echo")), THttpAborted);
  EXPECT_THROW(client.Post(Url("/echo"), "a=1"), THttpAborted);
  EXPECT_EQ(Log.Count(), 0u) << "an aborted client sends nothing";
}

TEST_F(HttpClientTest, CancelTokenStopsEveryClientHoldingIt) {
  const auto token = std::make_shared<TCancelToken>();
  const auto otherToken = std::make_shared<TCancelToken>();
  THttpClient first;
  THttpClient second;
  THttpClient idle;
  THttpClient unrelated;
  for (THttpClient* client : {&first, &second, &idle}) client->SetCancelToken(token);
  unrelated.SetCancelToken(otherToken);

  auto firstTransfer = GetInBackground(first, Url("/stall"));
  auto secondTransfer = GetInBackground(second, Url("/stall"));
  ASSERT_TRUE(Stall.AwaitArrivals(2, 5s));
  token->Cancel();
  EXPECT_TRUE(token->Cancelled());
  ExpectAbortedSoon(firstTransfer);
  ExpectAbortedSoon(secondTransfer);

  for (THttpClient* client : {&first, &second, &idle}) {
    EXPECT_THROW(client->Get(Url("/echo")), THttpAborted);
  }
  THttpClient late;
  late.SetCancelToken(token);
  EXPECT_THROW(late.Get(Url("/echo")), THttpAborted);
  EXPECT_EQ(Log.Count(), 0u);

  EXPECT_EQ(unrelated.Get(Url("/echo")), "ok");
}

// Cancel() may meet clients that are just finishing and going away.
TEST_F(HttpClientTest, CancelRacingWithFinishingClientsIsSafe) {
  for (int round = 0; round < 20; ++round) {
    const auto token = std::make_shared<TCancelToken>();
    std::thread worker([&] {
      for (int i = 0; i < 3; ++i) {
        THttpClient client;
        client.SetCancelToken(token);
        try {
          client.Get(Url("/echo"));
        } catch (const THttpAborted&) {
        }
      }
    });
    std::this_thread::sleep_for(std::chrono::microseconds(round * 150));
    token->Cancel();
    worker.join();
  }
}

}  // namespace
}  // namespace velkaro
