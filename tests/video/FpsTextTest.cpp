// Frame rates as the FPS texts that rows and filters compare.

#include <gtest/gtest.h>

#include "FpsText.h"

namespace velkaro {
namespace {

struct TRateCase {
  TRate Rate;
  TRate TimeBase;
  const char* Text;
};

class FpsTextCases : public testing::TestWithParam<TRateCase> {};

TEST_P(FpsTextCases, GiveTheFilterText) {
  EXPECT_EQ(FpsText(GetParam().Rate, GetParam().TimeBase), GetParam().Text)
      << GetParam().Rate.Num << "/" << GetParam().Rate.Den;
}

INSTANTIATE_TEST_SUITE_P(
    Rates, FpsTextCases,
    testing::Values(
        // the broadcast and film rates
        TRateCase{{24000, 1001}, {}, "23,976"}, TRateCase{{25, 1}, {}, "25"}, TRateCase{{30000, 1001}, {}, "29,97"},
        TRateCase{{24, 1}, {}, "24"}, TRateCase{{30, 1}, {}, "30"}, TRateCase{{50, 1}, {}, "50"},
        TRateCase{{60000, 1001}, {}, "59,94"}, TRateCase{{60, 1}, {}, "60"},
        // the same rates written differently
        TRateCase{{50, 2}, {}, "25"}, TRateCase{{2997, 125}, {}, "23,976"}, TRateCase{{2997, 100}, {}, "29,97"},
        TRateCase{{23976, 1000}, {}, "23,976"}, TRateCase{{47952, 2000}, {}, "23,976"},
        // others: up to three decimals, a comma
        TRateCase{{25, 2}, {}, "12,5"}, TRateCase{{15, 1}, {}, "15"}, TRateCase{{1, 1}, {}, "1"},
        TRateCase{{100, 7}, {}, "14,286"}, TRateCase{{1000, 1}, {}, "1000"}, TRateCase{{240, 1}, {1, 240}, "240"},
        // a time base that equals the rate is fine for a film rate
        TRateCase{{24000, 1001}, {1001, 24000}, "23,976"}, TRateCase{{25, 1}, {1, 25}, "25"},
        // plainly wrong: none
        TRateCase{{0, 1}, {}, ""}, TRateCase{{25, 0}, {}, ""}, TRateCase{{0, 0}, {}, ""}, TRateCase{{-25, 1}, {}, ""},
        TRateCase{{25, -1}, {}, ""}, TRateCase{{1001, 1}, {}, ""}, TRateCase{{90000, 1}, {1, 90000}, ""},
        TRateCase{{1000, 1}, {1, 1000}, ""}, TRateCase{{1200000, 1}, {}, ""}, TRateCase{{1, 100000}, {}, ""}, TRateCase{{1, 3}, {}, ""},
        TRateCase{{999, 1000}, {}, ""},
        TRateCase{{INT64_MAX, 1}, {}, ""}, TRateCase{{1, INT64_MAX}, {}, ""}));

}  // namespace
}  // namespace velkaro
