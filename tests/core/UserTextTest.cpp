#include "UserText.h"

#include <gtest/gtest.h>

namespace velkaro {
namespace {

TEST(UserText, FillInPutsEachValueInItsPlaceOnce) {
  EXPECT_EQ(FillIn("%2 yazılamıyor: %1", {"izin yok", "/a/b.srt"}), "/a/b.srt yazılamıyor: izin yok");
  // A value that looks like a marker is not filled again; a marker without a value stays.
  EXPECT_EQ(FillIn("%1 ve %2 (%3)", {"%2", "x"}), "%2 ve x (%3)");
  EXPECT_EQ(FillIn("%%1 %", {"a"}), "%a %");
}

TEST(UserText, FillInFillsEachMarkOnceAndLeavesWhatTheValuesHold) {
  EXPECT_EQ(FillIn("%1: %2 (%1)", {"a%2b.mkv", "ok"}), "a%2b.mkv: ok (a%2b.mkv)");
  EXPECT_EQ(FillIn("%3 %1%", {"x"}), "%3 x%");
  EXPECT_EQ(FillIn("", {"x"}), "");
}

TEST(UserText, EngineTextsAreCodePage1254) {
  EXPECT_EQ(Tr1254("Altyazı İndir"), "Altyaz\xFD \xDDndir");
}

}  // namespace
}  // namespace velkaro
