#include <gtest/gtest.h>

#include "RowFormat.h"

namespace velkaro {
namespace {

// Engine texts go in as code page 1254, come out as UTF-8.
struct TFieldCase {
  const char* Text;
  const char* Field;
  const char* Json;
};

class RowFormatFields : public testing::TestWithParam<TFieldCase> {};

TEST_P(RowFormatFields, TabAndJson) {
  EXPECT_EQ(TabField(GetParam().Text), GetParam().Field);
  EXPECT_EQ(JsonString(GetParam().Text), GetParam().Json);
}

INSTANTIATE_TEST_SUITE_P(
    RowFormat, RowFormatFields,
    testing::Values(TFieldCase{"", "", R"("")"}, TFieldCase{"plain", "plain", R"("plain")"},
                    TFieldCase{R"(C:\subs)", R"(C:\\subs)", R"("C:\\subs")"},
                    // A backslash before a letter must not read back as an escape.
                    TFieldCase{R"(\t)", R"(\\t)", R"("\\t")"},
                    TFieldCase{"a\tb", R"(a\tb)", R"("a\u0009b")"},
                    TFieldCase{"a\r\nb", R"(a\r\nb)", R"("a\u000d\u000ab")"},
                    TFieldCase{"\x01\x1F", "\x01\x1F", R"("\u0001\u001f")"},
                    TFieldCase{R"(say "hi")", R"(say "hi")", R"("say \"hi\"")"},
                    // Turkish letters and the euro sign stay whole UTF-8 sequences.
                    TFieldCase{"\xDE\xFCkr\xFC \xF0\xFD\xDD", "Şükrü ğıİ", R"("Şükrü ğıİ")"},
                    TFieldCase{"\x80\x7F", "€\x7F", "\"€\x7F\""}),
    [](const auto& test) { return "Case" + std::to_string(test.index); });

TResultRow SampleRow() {
  TResultRow row;
  row.Icon = TRowIcon::ZipArchive;
  row.Info.FilmName = "\xC7\xF6l\tKartal\xFD";
  row.Info.Url = "http://h/x?a=1&b=\\2";
  row.Info.Language = "Turkish";
  row.Info.Fps = "23,976";
  row.Info.CdCount = "2";
  row.Info.DateAdded = "11.04.03";
  row.Info.Uploader = "\xFEule\r\n";
  row.Info.Format = "SubRip";
  return row;
}

TEST(RowFormat, PlainLineHasIconThenColumnsInListOrder) {
  EXPECT_EQ(RowLine(SampleRow(), false),
            "2\tÇöl\\tKartalı\thttp://h/x?a=1&b=\\\\2\tTurkish\t23,976\t2\t11.04.03\tşule\\r\\n\tSubRip");
}

TEST(RowFormat, JsonLineHasOneKeyPerColumn) {
  EXPECT_EQ(RowLine(SampleRow(), true),
            R"({"icon":2,"filmName":"Çöl\u0009Kartalı","url":"http://h/x?a=1&b=\\2","language":"Turkish",)"
            R"("fps":"23,976","cdCount":"2","dateAdded":"11.04.03","uploader":"şule\u000d\u000a","format":"SubRip"})");
}

}  // namespace
}  // namespace velkaro
