#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "HtmlParser.h"

namespace velkaro {
namespace {

// Tokens written compactly: a tag as <NAME>, a text as [Text].
std::string Describe(const THTMLParser& parser) {
  std::string out;
  for (const auto& token : parser.Tokens()) {
    if (const auto* tag = token.AsTag()) {
      out.append("<").append(tag->Name).append(">");
    } else {
      out.append("[").append(token.AsText()->Text).append("]");
    }
  }
  return out;
}

std::string Tokenize(const TLines& lines) {
  THTMLParser parser;
  parser.SetLines(lines);
  parser.Parse();
  return Describe(parser);
}

struct TTokenCase {
  const char* Name;
  TLines Lines;
  const char* Expected;
};

class TokenBoundaries : public testing::TestWithParam<TTokenCase> {};

TEST_P(TokenBoundaries, MatchExpectedTokens) { EXPECT_EQ(Tokenize(GetParam().Lines), GetParam().Expected); }

INSTANTIATE_TEST_SUITE_P(
    Tokenizer, TokenBoundaries,
    testing::Values(
        TTokenCase{"CellOnOneLine", {"<td>x</td>"}, "<TD>[x]</TD>"},
        // The first line leaves no text, so it adds no line feed; the second line's becomes a space.
        TTokenCase{"CellOverThreeLines", {"<td>", "  Hello", "</td>"}, "<TD>[ Hello ]</TD>"},
        TTokenCase{"TagOverTwoLinesJoinsWithNothing", {"<A", "HREF=x>"}, "<AHREF=X>"},
        TTokenCase{"StrayCloseMakesEmptyTagBeforeItsText", {"a>b<br>"}, "<>[ab]<BR>"},
        TTokenCase{"LessThanInsideTagIsDropped", {"<a<b>c"}, "<AB>[c ]"},
        TTokenCase{"PageEndingInsideTagStillMakesTag", {"x<td"}, "[x]<TD>"},
        TTokenCase{"PageEndingAfterLessThanMakesNothing", {"x<"}, "[x]"},
        TTokenCase{"EmptyTagPair", {"<>"}, "<>"},
        TTokenCase{"TextAcrossLinesKeepsOneSpace", {"a  ", "b"}, "[a b ]"},
        TTokenCase{"TabsAndCrStay", {"a\t\tb"}, "[a\t\tb ]"},
        TTokenCase{"NoLines", {}, ""}),
    [](const auto& test) { return std::string(test.param.Name); });

// The one tag of `html`; the parser must outlive the views it hands out.
const THTMLTag& OnlyTag(THTMLParser& parser, const std::string& html) {
  parser.SetText(html);
  parser.Parse();
  EXPECT_EQ(parser.Count(), 1u);
  return *parser.Item(0).AsTag();
}

TEST(Tokenizer, TagAttributes) {
  THTMLParser parser;
  const THTMLTag& tag = OnlyTag(parser, R"(<a  HREF="x y"   CLASS='mf2' nowrap>)");
  EXPECT_EQ(tag.Name, "A");
  ASSERT_EQ(tag.Params.size(), 3u);
  EXPECT_EQ(tag.Params[0].Name, "HREF");
  EXPECT_EQ(tag.Params[0].Value, "x y");
  EXPECT_EQ(tag.Params[0].Raw, R"(HREF="x y")");
  EXPECT_EQ(tag.Params[1].Name, "CLASS");
  EXPECT_EQ(tag.Params[1].Value, "'mf2'");
  EXPECT_EQ(tag.Params[2].Name, "NOWRAP");
  EXPECT_EQ(tag.Params[2].Value, "");
  EXPECT_EQ(tag.Raw, R"(a  HREF="x y"   CLASS='mf2' nowrap)");
}

struct TAttributeCase {
  const char* Html;
  const char* Name;
  const char* Value;
};

class AttributeEdges : public testing::TestWithParam<TAttributeCase> {};

TEST_P(AttributeEdges, FirstAttribute) {
  THTMLParser parser;
  const THTMLTag& tag = OnlyTag(parser, GetParam().Html);
  ASSERT_EQ(tag.Params.size(), 1u);
  EXPECT_EQ(tag.Params[0].Name, GetParam().Name);
  EXPECT_EQ(tag.Params[0].Value, GetParam().Value);
}

INSTANTIATE_TEST_SUITE_P(Tokenizer, AttributeEdges,
                         testing::Values(
                             // Only the first "=" splits.
                             TAttributeCase{"<a href=a=b>", "HREF", "a=b"},
                             // A lone quote is not a quoted value; two quotes make an empty one.
                             TAttributeCase{R"(<img alt=">)", "ALT", R"(")"},
                             TAttributeCase{R"(<img alt="">)", "ALT", ""},
                             // An unbalanced quote swallows the rest of the tag.
                             TAttributeCase{R"(<img alt="a b src=x>)", "ALT", R"("a b src=x)"},
                             TAttributeCase{"<td =x>", "", "x"}, TAttributeCase{"<td x\xFD=1>", "X\xFD", "1"}));

TEST(Tokenizer, TagNames) {
  THTMLParser parser;
  parser.SetText("</a><><a\xFD\xE7 x>");
  parser.Parse();
  ASSERT_EQ(parser.Count(), 3u);
  EXPECT_EQ(parser.TextOrName(0), "/A");
  EXPECT_EQ(parser.TextOrName(1), "");
  // Upper-casing touches ASCII letters only.
  EXPECT_EQ(parser.TextOrName(2), "A\xFD\xE7");
}

struct TDecodeCase {
  const char* Raw;
  const char* Text;
};

class References : public testing::TestWithParam<TDecodeCase> {};

TEST_P(References, DecodeInOnePass) { EXPECT_EQ(DecodeReferences(GetParam().Raw), GetParam().Text); }

INSTANTIATE_TEST_SUITE_P(
    Tokenizer, References,
    testing::Values(TDecodeCase{"&amp;lt;", "&lt;"}, TDecodeCase{"&lt;", "<"}, TDecodeCase{"a&nbsp;b", "a b"},
                    TDecodeCase{"&#9;", " "}, TDecodeCase{"&#65 B", "AB"}, TDecodeCase{"&#x41;", "A"},
                    TDecodeCase{"&#X41;", "A"}, TDecodeCase{"&#xe9;", "\xE9"}, TDecodeCase{"&#XfD;", "\xFD"},
                    TDecodeCase{"&#1000;", "&#1000;"}, TDecodeCase{"&#x100;", "&#x100;"},
                    TDecodeCase{"AT&T", "AT&T"}, TDecodeCase{"&amp x", "&amp x"},
                    // Short numbers outside the table stay as written.
                    TDecodeCase{"&#350;", "&#350;"}, TDecodeCase{"&#-5;", "&#-5;"}, TDecodeCase{"&#999;", "&#999;"},
                    TDecodeCase{"&#;", "&#;"}, TDecodeCase{"&#", "&#"}, TDecodeCase{"&", "&"},
                    TDecodeCase{"&#160;", " "}, TDecodeCase{"&#253;", "\xFD"}, TDecodeCase{"&uuml;", "\xFC"},
                    TDecodeCase{"&Uuml;", "\xDC"}, TDecodeCase{"&UUML;", "&UUML;"},
                    TDecodeCase{"&a &amp;", "&a &"}, TDecodeCase{"&&amp;", "&&"},
                    TDecodeCase{"x &amp; y", "x & y"}, TDecodeCase{"&nbsp;&nbsp;", "  "}),
    [](const auto& test) { return "Case" + std::to_string(test.index); });

TEST(Tokenizer, TextKeepsRawAndCollapsesSpacesBeforeDecoding) {
  THTMLParser parser;
  parser.SetLines({"a ", "  b&nbsp;&nbsp;c&#65 d"});
  parser.Parse();
  ASSERT_EQ(parser.Count(), 1u);
  EXPECT_EQ(parser.Item(0).AsText()->Raw, "a \n  b&nbsp;&nbsp;c&#65 d\n");
  EXPECT_EQ(parser.Item(0).AsText()->Text, "a b  cAd ");
}

TEST(Tokenizer, ParseAppendsToExistingTokens) {
  THTMLParser parser;
  parser.SetText("<b>");
  parser.Parse();
  parser.Parse();
  EXPECT_EQ(Describe(parser), "<B><B>");
}

TEST(Tokenizer, IndexAccessIsBoundsChecked) {
  THTMLParser parser;
  parser.SetText("<td>x</td>");
  parser.Parse();
  EXPECT_EQ(parser.TextOrName(0), "TD");
  EXPECT_EQ(parser.TextOrName(1), "x");
  EXPECT_THROW(parser.Item(3), TMissingToken);
  EXPECT_THROW(parser.Item(-1), TMissingToken);
  EXPECT_FALSE(parser.Has(3));
}

TEST(Tokenizer, HostileInputsEndCleanly) {
  const std::vector<std::string> bodies = {
      std::string("a\0<b>", 5),
      "<a href=\"x",
      "&#",
      std::string(100000, ' ') + "x",
      std::string(100000, '<'),
      std::string(100000, '>'),
      [] {
        std::string s;
        for (int i = 0; i < 256; ++i) s += static_cast<char>(i);
        return s;
      }(),
  };
  for (const auto& body : bodies) {
    THTMLParser parser;
    parser.SetText(body);
    EXPECT_NO_THROW(parser.Parse());
  }
  THTMLParser spaces;
  spaces.SetText(std::string(100000, ' ') + "x");
  spaces.Parse();
  ASSERT_EQ(spaces.Count(), 1u);
  EXPECT_EQ(spaces.TextOrName(0), " x ");
  THTMLParser closes;
  closes.SetText(std::string(1000, '>'));
  closes.Parse();
  EXPECT_EQ(closes.Count(), 1000u);
}

}  // namespace
}  // namespace velkaro
