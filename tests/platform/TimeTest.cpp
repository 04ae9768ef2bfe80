#include "platform/base/Time.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

// Runs a test in a fixed time zone (restored afterwards).
class TimeTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tz = std::getenv("TZ");
        m_oldTz = tz ? std::optional<std::string>(tz) : std::nullopt;
        setenv("TZ", "CST-8", 1); // China Standard Time, UTC+8, no summer time
        tzset();
    }
    void TearDown() override {
        if (m_oldTz)
            setenv("TZ", m_oldTz->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    std::optional<std::string> m_oldTz;
};

} // namespace

TEST_F(TimeTest, CTimeFormatsLocalTime) {
    CTime t(2026, 12, 7, 9, 5, 3);
    EXPECT_EQ(t.Format("%Y-%m-%d %H:%M"), "2026-12-07 09:05");
    EXPECT_EQ(t.Format("%Y-%m-%d %H:%M:%S"), "2026-12-07 09:05:03");
    EXPECT_EQ(t.FormatGmt("%H:%M"), "01:05");
    EXPECT_EQ(t.GetDayOfWeek(), 2); // a Monday
    EXPECT_EQ(t.Format(""), "");
    CTime later = t + CTimeSpan(1, 2, 3, 4);
    EXPECT_EQ(later.Format("%Y-%m-%d %H:%M:%S"), "2026-12-08 11:08:07");
    CTimeSpan span = later - t;
    EXPECT_EQ(span.GetDays(), 1);
    EXPECT_EQ(span.GetHours(), 2);
    EXPECT_EQ(span.GetMinutes(), 3);
    EXPECT_EQ(span.GetSeconds(), 4);
    EXPECT_EQ(span.GetTotalMinutes(), 1563);
}

TEST_F(TimeTest, OleDateTimeDaysSince1899) {
    COleDateTime d(1899, 12, 30, 0, 0, 0);
    EXPECT_DOUBLE_EQ(d.m_dt, 0.0);
    COleDateTime e(1900, 1, 1, 6, 0, 0);
    EXPECT_DOUBLE_EQ(e.m_dt, 2.25);
    COleDateTime before(1899, 12, 29, 6, 0, 0); // negative dates keep a positive time fraction
    EXPECT_DOUBLE_EQ(before.m_dt, -1.25);
    EXPECT_EQ(before.Format("%Y-%m-%d %H:%M"), "1899-12-29 06:00");
    EXPECT_EQ(COleDateTime(2024, 2, 29, 23, 59, 59).Format("%Y-%m-%d %H:%M:%S"), "2024-02-29 23:59:59");
    EXPECT_EQ(COleDateTime(2026, 12, 7, 0, 0, 0).GetDayOfWeek(), 2);
    EXPECT_EQ(COleDateTime(2026, 12, 31, 0, 0, 0).GetDayOfYear(), 365);
}

TEST_F(TimeTest, OleDateTimeRejectsImpossibleDates) {
    COleDateTime d;
    EXPECT_EQ(d.SetDate(2025, 2, 29), 1);
    EXPECT_EQ(d.GetStatus(), COleDateTime::invalid);
    EXPECT_EQ(d.Format("%Y"), "");
    EXPECT_EQ(d.GetYear(), -1);
    EXPECT_EQ(d.SetDateTime(2025, 1, 1, 24, 0, 0), 1);
    EXPECT_EQ(d.SetDate(99, 1, 1), 1);
    EXPECT_EQ(d.SetDate(2025, 3, 1), 0);
    EXPECT_EQ(d.GetStatus(), COleDateTime::valid);
}

TEST_F(TimeTest, OleDateTimeArithmeticAcrossMonthsAndTheEpoch) {
    COleDateTime d(2026, 1, 31, 22, 0, 0);
    COleDateTime next = d + COleDateTimeSpan(0, 3, 0, 0);
    EXPECT_EQ(next.Format("%Y-%m-%d %H:%M"), "2026-02-01 01:00");
    EXPECT_EQ((next - d).GetHours(), 3);
    COleDateTime epoch(1899, 12, 30, 3, 0, 0);
    COleDateTime earlier = epoch - COleDateTimeSpan(0, 6, 0, 0);
    EXPECT_EQ(earlier.Format("%Y-%m-%d %H:%M"), "1899-12-29 21:00");
    EXPECT_TRUE(earlier < epoch);
    EXPECT_NEAR((epoch - earlier).GetTotalHours(), 6.0, 1e-9);
}

TEST_F(TimeTest, OleDateTimeParsesStoredDates) {
    COleDateTime d;
    ASSERT_TRUE(d.ParseDateTime("2026-12-07 10:30"));
    EXPECT_EQ(d.Format("%Y-%m-%d %H:%M:%S"), "2026-12-07 10:30:00");
    ASSERT_TRUE(d.ParseDateTime(" 2026/1/5 "));
    EXPECT_EQ(d.Format(), "2026-01-05");
    ASSERT_TRUE(d.ParseDateTime("2026-12-07 10:30:15"));
    EXPECT_EQ(d.Format(), "2026-12-07 10:30:15");
    ASSERT_TRUE(d.ParseDateTime("08:15"));
    EXPECT_EQ(d.Format("%Y-%m-%d %H:%M"), "1899-12-30 08:15");
    EXPECT_FALSE(d.ParseDateTime("2026-13-01"));
    EXPECT_EQ(d.GetStatus(), COleDateTime::invalid);
    EXPECT_FALSE(d.ParseDateTime("2026-12-07x"));
    EXPECT_FALSE(d.ParseDateTime(""));
    EXPECT_FALSE(d.ParseDateTime(nullptr));
}

TEST_F(TimeTest, OleDateTimeAndCTimeAgree) {
    CTime t(2026, 6, 1, 12, 34, 56);
    COleDateTime d(t);
    EXPECT_EQ(d.Format("%Y-%m-%d %H:%M:%S"), "2026-06-01 12:34:56");
    CTime back;
    ASSERT_TRUE(d.GetAsTime(back));
    EXPECT_EQ(back, t);
    EXPECT_FALSE(COleDateTime(1950, 1, 1, 0, 0, 0).GetAsTime(back));
}
