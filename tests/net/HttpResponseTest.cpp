#include <gtest/gtest.h>

#include <initializer_list>
#include <string_view>

#include "HttpResponse.h"

namespace velkaro {
namespace {

// Feeds raw header lines as libcurl hands them over; true when the last one ended a block.
bool Feed(THttpResponse& response, std::initializer_list<std::string_view> lines) {
  bool ended = false;
  for (const auto line : lines) ended = response.AddLine(line);
  return ended;
}

TEST(HttpResponse, OnlyTheFinalAnswerAfterAnInterimOneRemains) {
  THttpResponse response;
  EXPECT_TRUE(Feed(response, {"HTTP/1.1 100 Continue\r\n", "X-Early: 1\r\n", "\r\n"}));
  EXPECT_TRUE(response.IsInterim());
  EXPECT_TRUE(Feed(response, {"HTTP/1.1 404 Not Found\r\n", "Content-Length: 12\r\n", "\r\n"}));
  EXPECT_EQ(response.Status(), 404);
  EXPECT_TRUE(response.IsError());
  EXPECT_EQ(response.Find("X-Early"), "");
  EXPECT_EQ(response.ContentLength(), 12);
  EXPECT_EQ(response.ErrorMessage(), "HTTP/1.1 404 Not Found");
}

TEST(HttpResponse, HeadersAreFoundBlindToCaseTrimmedAndUnfolded) {
  THttpResponse response;
  Feed(response, {"HTTP/1.0 200 OK\r\n", "content-disposition:  attachment;\r\n", "\t filename=\"a.zip\"\r\n",
                  "Content-Length: twelve\r\n", "no colon here\r\n", "\r\n"});
  EXPECT_EQ(response.Find("Content-Disposition"), "attachment; filename=\"a.zip\"");
  EXPECT_EQ(response.ContentLength(), -1);
  EXPECT_FALSE(response.IsError());
}

TEST(HttpResponse, AStatusLineWithoutACodeAndAClearedResponseHaveStatusZero) {
  THttpResponse response;
  Feed(response, {"HTTP/1.1\r\n"});
  EXPECT_EQ(response.Status(), 0);
  Feed(response, {"HTTP/1.1 503 Busy\r\n", "Retry-After: 5\r\n"});
  response.Clear();
  EXPECT_EQ(response.Status(), 0);
  EXPECT_EQ(response.Find("Retry-After"), "");
  EXPECT_EQ(response.ErrorMessage(), "HTTP error 0");
}

}  // namespace
}  // namespace velkaro
