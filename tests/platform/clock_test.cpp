#include "platform/clock.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace qp = quiremark::platform;
namespace qt = quiremark::testing;

namespace {

class FixedClock : public qp::Clock {
 public:
  TimePoint Now() const override { return TimePoint(std::chrono::seconds(1700000000)); }
};

class CommaClock : public FixedClock {
 public:
  char DecimalSeparator() const override { return ','; }
};

TEST(Clock, RegionalFormats) {
  qt::ScopedEnv tz("TZ", "UTC");
  tzset();
  FixedClock clock;
  EXPECT_EQ(clock.ShortDate(clock.Now()), "2023-11-14");
  EXPECT_EQ(clock.LongTime(clock.Now()), "22:13:20");
}

// Every number of the date and the time of day keeps its leading zero.
TEST(Clock, RegionalFormatsKeepLeadingZeros) {
  qt::ScopedEnv tz("TZ", "UTC");
  tzset();
  FixedClock clock;
  const qp::Clock::TimePoint early(std::chrono::seconds(1709622489));  // 2024-03-05 07:08:09 UTC
  EXPECT_EQ(clock.ShortDate(early), "2024-03-05");
  EXPECT_EQ(clock.LongTime(early), "07:08:09");
  const qp::Clock::TimePoint midnight(std::chrono::seconds(946684800));  // 2000-01-01 00:00:00 UTC
  EXPECT_EQ(clock.ShortDate(midnight), "2000-01-01");
  EXPECT_EQ(clock.LongTime(midnight), "00:00:00");
}

TEST(Clock, NumbersRoundTripInTheRegionalFormat) {
  CommaClock clock;
  EXPECT_EQ(clock.FormatNumber(120), "120");
  EXPECT_EQ(clock.FormatNumber(-200), "-200");
  EXPECT_EQ(clock.FormatNumber(9060.5), "9060,5");
  EXPECT_EQ(clock.ParseNumber("9060,5"), 9060.5);
  EXPECT_EQ(clock.ParseNumber("9060.5"), 9060.5);
  EXPECT_EQ(clock.ParseNumber("abc"), std::nullopt);
  EXPECT_EQ(clock.ParseNumber(""), std::nullopt);
}

TEST(Clock, TestsCanReplaceTheCurrentClock) {
  FixedClock fixed;
  {
    qp::ScopedClock scoped(fixed);
    EXPECT_EQ(qp::CurrentClock().Now(), fixed.Now());
  }
  EXPECT_NE(qp::CurrentClock().Now(), fixed.Now());
}

}  // namespace
