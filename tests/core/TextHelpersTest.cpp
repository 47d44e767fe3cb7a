#include <gtest/gtest.h>

#include <zlib.h>

#include "sitesim/Html.h"
#include "TextHelpers.h"

namespace velkaro {
namespace {

TEST(SplitText, PiecesAndEmptyPieces) {
  EXPECT_EQ(SplitText("127.0.0.1:8080", ":"), (std::vector<std::string>{"127.0.0.1", "8080"}));
  EXPECT_EQ(SplitText("a::b", ":"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(SplitText(":a", ":"), (std::vector<std::string>{"", "a"}));
  EXPECT_EQ(SplitText("a:", ":"), (std::vector<std::string>{"a"}));
  EXPECT_EQ(SplitText("a\r\nb\r\n", "\r\n"), (std::vector<std::string>{"a", "b"}));
  EXPECT_TRUE(SplitText("", ":").empty());
  std::vector<std::string> reused{"old"};
  SplitText("x", ":", reused);
  EXPECT_EQ(reused, (std::vector<std::string>{"x"}));
}

TEST(ReplaceText, FirstOccurrenceOnly) {
  std::string fps = "23.976.1";
  ReplaceText(fps, ".", ",");
  EXPECT_EQ(fps, "23,976.1");
  std::string none = "25";
  ReplaceText(none, ".", ",");
  EXPECT_EQ(none, "25");
  EXPECT_EQ(ColonToUnderscore("Film: Part: 2"), "Film_ Part: 2");
}

TEST(UrlEncode, EscapesOnlyItsSet) {
  EXPECT_EQ(UrlEncode("The Ring"), "The%20Ring");
  EXPECT_EQ(UrlEncode("\xFD"), "%FD");
  EXPECT_EQ(UrlEncode("100%"), "100%25");
  EXPECT_EQ(UrlEncode("a?d/e'f\"g"), "a?d/e'f\"g");
  // "&" and "=" would start another form field.
  EXPECT_EQ(UrlEncode("Fast & Furious"), "Fast%20%26%20Furious");
  EXPECT_EQ(UrlEncode("x&bp=100000"), "x%26bp%3D100000");
  EXPECT_EQ(UrlEncode("#*+<>"), "%23%2A%2B%3C%3E");
  EXPECT_EQ(UrlEncode(std::string("\0\x1F\x7F", 3)), "%00%1F\x7F");
}

TEST(AddressExtension, LastDotBeforeFinalCharacter) {
  EXPECT_EQ(AddressExtension("http://www.extratitles.net/x/The.Ring.rar"), ".rar");
  EXPECT_EQ(AddressExtension("http://www.extratitles.net/x/file"), ".net/x/file");
  EXPECT_EQ(AddressExtension("abc."), "");
  EXPECT_EQ(AddressExtension("a.b."), ".b.");
  EXPECT_EQ(AddressExtension("."), "");
  EXPECT_EQ(AddressExtension(""), "");
  EXPECT_EQ(AddressExtension("nodot"), "");
}

std::string Deflate(const std::string& data, int windowBits) {
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY), Z_OK);
  std::string out(deflateBound(&z, data.size()) + 32, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

TEST(Inflate, RoundTripsAndGrowsPastTheInput) {
  std::string page;
  for (int i = 0; i < 20000; ++i) page += "<tr><td>row " + std::to_string(i) + "</td></tr>\r\n";
  EXPECT_EQ(InflateRaw(Deflate(page, -15)), page);
  EXPECT_EQ(InflateGzipBody(Deflate(page, 31)), page);
  const std::string binary("\0\x80\xFF\0", 4);
  EXPECT_EQ(InflateGzipBody(Deflate(binary, 31)), binary);
}

TEST(Inflate, BadInputFailsWithZlibMessage) {
  EXPECT_THROW(InflateRaw(""), TInflateError);
  EXPECT_THROW(InflateGzipBody("<html><body>plain page</body></html>"), TInflateError);
  EXPECT_THROW(InflateGzipBody(std::string(18, '\x1f')), TInflateError);
  const std::string whole = Deflate("some text that compresses", -15);
  try {
    InflateRaw(whole.substr(0, whole.size() / 2));
    FAIL() << "a truncated stream must fail";
  } catch (const TInflateError& e) {
    EXPECT_STREQ(e.what(), zError(Z_BUF_ERROR));
  }
  // A zlib wrapper is not a raw stream.
  EXPECT_THROW(InflateRaw(Deflate("x", 15)), TInflateError);
}

TEST(Inflate, GzipHeaderFieldsAreReadAndTheTrailerChecked) {
  const std::string page = "<html><body>ba\xFEl\xFDk</body></html>";
  const sim::TGzipFields withFields[] = {
      {"index.html", "", "", false},
      {"", "made by the server", "", false},
      {"", "", std::string("AB\x02\x00xy", 6), false},
      {"", "", "", true},
      {"page.html", "c", std::string("ZZ\x00\x00", 4), true},
  };
  for (const auto& fields : withFields) {
    const std::string member = sim::GzipMember(page, fields);
    EXPECT_EQ(InflateGzipBody(member), page) << fields.Name << fields.Comment << fields.HeaderCrc;
    // Cut anywhere, in the header fields as well as in the data, the member is bad.
    for (std::size_t cut = 19; cut < member.size(); cut += 3) {
      EXPECT_THROW(InflateGzipBody(member.substr(0, cut)), TInflateError) << cut;
    }
  }
  std::string wrongCrc = sim::GzipMember(page, {"x", "", "", false});
  wrongCrc[wrongCrc.size() - 8] ^= 0x01;
  EXPECT_THROW(InflateGzipBody(wrongCrc), TInflateError);
  std::string wrongLength = sim::GzipMember(page);
  wrongLength[wrongLength.size() - 4] ^= 0x01;
  EXPECT_THROW(InflateGzipBody(wrongLength), TInflateError);
}

TEST(Inflate, RefusesBodiesThatExpandBeyondTheLimit) {
  const std::string zeros(1 << 20, '\0');
  EXPECT_THROW(InflateRaw(Deflate(zeros, -15), (1 << 20) - 1), TInflateError);
  EXPECT_EQ(InflateRaw(Deflate(zeros, -15), 1 << 20), zeros);
}

TEST(SplitLines, BreaksAndNul) {
  EXPECT_TRUE(SplitLines("").empty());
  EXPECT_EQ(SplitLines("\n"), (TLines{""}));
  EXPECT_EQ(SplitLines("a\r\nb\nc\rd"), (TLines{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitLines("a\r\n\r\n"), (TLines{"a", ""}));
  EXPECT_EQ(SplitLines("a\n\rb"), (TLines{"a", "", "b"}));
  EXPECT_EQ(SplitLines(std::string("ab\0c\nd", 6)), (TLines{"ab"}));
  EXPECT_TRUE(SplitLines(std::string("\0x", 2)).empty());
}

TEST(Numbers, StrictDecimal) {
  EXPECT_EQ(ParseInt("45"), 45);
  EXPECT_EQ(ParseInt("-3"), -3);
  EXPECT_EQ(ParseInt("+7"), 7);
  EXPECT_EQ(ParseInt("2147483647"), 2147483647);
  for (const char* bad : {"", " 1", "1 ", "1a", "+", "-", "++1", "2147483648", "0x10"}) {
    EXPECT_FALSE(ParseInt(bad).has_value()) << bad;
  }
  EXPECT_THROW(ToInt("x"), TConvertError);
}

TEST(Case, AsciiOnly) {
  EXPECT_EQ(UpperAscii("abz\xFD\xE7"), "ABZ\xFD\xE7");
  EXPECT_EQ(LowerAscii("ABZ\xDD\xC7"), "abz\xDD\xC7");
  EXPECT_EQ(Trim(" \t\x01x y\r\n"), "x y");
}

}  // namespace
}  // namespace velkaro
