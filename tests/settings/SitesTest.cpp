#include <gtest/gtest.h>

#include <fstream>

#include "CodePage.h"
#include "Sites.h"
#include "TestSupport.h"

namespace velkaro {
namespace {

TEST(Sites, DefaultsAndDerivedNames) {
  const TSiteTable sites = TSiteTable::Defaults();
  EXPECT_EQ(sites[SiteId::ExtraTitles].Base(), "http://www.extratitles.net/");
  EXPECT_EQ(sites[SiteId::ExtraTitles].BareHost(), "extratitles.net");
  EXPECT_EQ(sites[SiteId::ExtraTitles].ErrorLabel(), "Extratitles.net");
  EXPECT_EQ(sites[SiteId::SubDb].ErrorLabel(), "Subdb.net");
  EXPECT_EQ(sites[SiteId::DivxForever].Name, "DivxForever");
  EXPECT_EQ(sites.UpdateHost(), "www.velkaro.net");
  EXPECT_EQ(SiteIdFromName("podnapisi"), SiteId::Podnapisi);
  EXPECT_EQ(SiteIdFromName("DIVXSUBTITLES"), SiteId::DivxSubtitles);
  EXPECT_FALSE(SiteIdFromName("Nowhere").has_value());
}

TEST(Sites, OverridesFromFileFollowIntoLabels) {
  test::TTempDir dir;
  const auto file = dir.Path() / "sites.txt";
  std::ofstream(file, std::ios::binary) << "ExtraTitles=mirror.example:8080\r\n"
                                           "SubDb = subs.example \n"
                                           "Unknown=x.example\n"
                                           "no equals sign\n"
                                           "Podnapisi=\n"
                                           "DivxForever=bad host\n"
                                           "Update=updates.example\n";
  const TSiteTable sites = TSiteTable::FromFile(file);
  EXPECT_EQ(sites[SiteId::ExtraTitles].Base(), "http://mirror.example:8080/");
  EXPECT_EQ(sites[SiteId::ExtraTitles].ErrorLabel(), "Mirror.example:8080");
  EXPECT_EQ(sites[SiteId::SubDb].Host, "subs.example");
  EXPECT_EQ(sites[SiteId::Podnapisi].Host, "www.podnapisi.net");
  EXPECT_EQ(sites[SiteId::DivxForever].Host, "www.divxforever.net");
  EXPECT_EQ(sites.UpdateHost(), "updates.example");
  EXPECT_EQ(TSiteTable::FromFile(dir.Path() / "missing.txt")[SiteId::SubDb].Host, "www.subdb.net");
}

TEST(CodePage, TurkishLettersRoundTrip) {
  const std::string engine = "\xC7\xD0\xDD\xD6\xDE\xDC\xE7\xF0\xFD\xF6\xFE\xFC\x80";
  const std::string utf8 = Cp1254ToUtf8(engine);
  EXPECT_EQ(utf8, "ÇĞİÖŞÜçğıöşü€");
  EXPECT_EQ(Utf8ToCp1254(utf8), engine);
  std::string every;
  for (int byte = 0; byte < 256; ++byte) every += static_cast<char>(byte);
  EXPECT_EQ(Utf8ToCp1254(Cp1254ToUtf8(every)), every);
  EXPECT_EQ(Utf8ToCp1254("日本 \xFF"), "?? ?");
}

}  // namespace
}  // namespace velkaro
