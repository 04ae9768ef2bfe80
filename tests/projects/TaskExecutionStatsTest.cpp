// The arithmetic of the execution status: hours between date texts, design cycles of a task log,
// the statistics of a cycle and its pie shares.
#include "projects/TaskExecutionStats.h"
#include "platform/base/TextCodec.h"

#include <gtest/gtest.h>

namespace {

std::vector<CTaskLogEntry> Log(std::initializer_list<std::pair<const char*, const char*>> rows) {
    std::vector<CTaskLogEntry> log;
    for (const auto& [time, type] : rows)
        log.push_back({time, "zhangsan", type});
    return log;
}

std::vector<std::string> Types(const std::vector<CTaskLogEntry>& rows) {
    std::vector<std::string> out;
    for (const auto& row : rows)
        out.push_back(row.WorkType.str());
    return out;
}

} // namespace

TEST(TaskExecutionStatsTest, HoursBetweenDateTexts) {
    EXPECT_EQ(TaskHours("2005-03-12 14:30:00", "2005-03-13 15:29:59"), 24);
    EXPECT_EQ(TaskHours("2005-03-12 14:30:00", "2005-03-12 16:30:00"), 2);
    // A date alone is midnight; seconds are not read.
    EXPECT_EQ(TaskHours("2005-03-12", "2005-03-12 10:15:59"), 10);
    // Across a month end, a leap day and a year end.
    EXPECT_EQ(TaskHours("2004-02-28 00:00:00", "2004-03-01 00:00:00"), 48);
    EXPECT_EQ(TaskHours("2026-12-31 23:00:00", "2027-01-01 01:00:00"), 2);
    // Never negative; empty or undated texts give nothing.
    EXPECT_EQ(TaskHours("2005-03-13", "2005-03-12"), 0);
    EXPECT_EQ(TaskHours("", "2005-03-12"), 0);
    EXPECT_EQ(TaskHours("2005-03-12", ""), 0);
    EXPECT_EQ(TaskHours("未定", "2005-03-12"), 0);
    // A day or month out of range counts as 1.
    EXPECT_EQ(TaskHours("2005-03-40", "2005-03-02"), 24);
    EXPECT_EQ(TaskHours("2005-13-01", "2005-01-02"), 24);
    // Daylight saving plays no part: every day has 24 hours.
    EXPECT_EQ(TaskHours("2026-03-28 12:00:00", "2026-03-30 12:00:00"), 48);
}

TEST(TaskExecutionStatsTest, CyclesStartAtEachChangeNotice) {
    const auto log = Log({{"2026-01-01 08:00:00", "分配任务"},
                          {"2026-01-02 08:00:00", "首次提交"},
                          {"2026-01-03 08:00:00", "任务更改通知"},
                          {"2026-01-04 08:00:00", "任务更改通知"},
                          {"2026-01-05 08:00:00", "首次提交"}});
    EXPECT_EQ(ChangeNoticeCount(log), 2);
    EXPECT_EQ(Types(CycleEntries(log, 0)), (std::vector<std::string>{"分配任务", "首次提交"}));
    // A notice followed directly by another gives a cycle of the notice alone.
    EXPECT_EQ(Types(CycleEntries(log, 1)), (std::vector<std::string>{"任务更改通知"}));
    EXPECT_EQ(Types(CycleEntries(log, 2)), (std::vector<std::string>{"任务更改通知", "首次提交"}));
    EXPECT_TRUE(CycleEntries(log, 3).empty());
    EXPECT_EQ(ChangeNoticeCount(Log({{"2026-01-01", "任务更改通知 "}})), 0) << "exact comparison";
}

TEST(TaskExecutionStatsTest, StatisticsOfACycle) {
    const auto stats = CycleStatistics(Log({{"2026-01-01 08:00:00", "分配任务"},
                                            {"2026-01-02 08:00:00", "首次提交"},
                                            {"2026-01-02 09:00:00", "任务评审"},
                                            {"2026-01-02 10:00:00", "评审-更改提交"},
                                            {"2026-01-02 11:00:00", "任务评审"},
                                            {"2026-01-02 20:00:00", "创建任务版本"},
                                            {"2026-01-03 08:00:00", "评审结束"},
                                            {"2026-01-04 08:00:00", "创建任务版本"}}));
    EXPECT_EQ(stats.AssignedTime, "2026-01-01 08:00:00");
    EXPECT_EQ(stats.SubmittedTime, "2026-01-02 08:00:00");
    // The version before the review end set the date; the review end overwrote it; the later
    // version leaves it.
    EXPECT_EQ(stats.ReviewEndTime, "2026-01-03 08:00:00");
    EXPECT_EQ(stats.ChangeCount, 1);
    EXPECT_EQ(stats.ReviewCount, 2);
    EXPECT_EQ(stats.DesignHours, 24);
    EXPECT_EQ(stats.ReviewHours, 24);
    const auto lines = StatisticsLines(stats, "2026-01-10");
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0], "要求完成时间 : 2026-01-10");
    EXPECT_EQ(lines[1], "任务分配日期 : 2026-01-01 08:00:00");
    EXPECT_EQ(lines[4], "设计更改次数 : 1 次");
    EXPECT_EQ(lines[5], "任务评审次数 : 2 次");
    EXPECT_EQ(lines[6], "设计完成时间 : 24 小时(1.00天)");
    EXPECT_EQ(lines[7], "设计评审时间 : 24 小时(1.00天)");
    // 32 characters of code page 936 each.
    for (const CString& line : StatisticsHeading())
        EXPECT_EQ(vq::Utf8ToGbk(line.str()).size(), 32u);
}

TEST(TaskExecutionStatsTest, SubmissionBeforeAssignmentAndMissingSubmission) {
    auto stats =
        CycleStatistics(Log({{"2026-01-02 08:00:00", "首次提交"}, {"2026-01-03 08:00:00", "分配任务"}}));
    EXPECT_EQ(stats.DesignHours, 0);
    stats = CycleStatistics(Log({{"2026-01-01 08:00:00", "分配任务"}, {"2026-01-03 08:00:00", "评审结束"}}));
    EXPECT_EQ(stats.SubmittedTime, "");
    EXPECT_EQ(stats.DesignHours, 0);
    EXPECT_EQ(stats.ReviewHours, 0);
    const CPieAngles angles = PieAngles(stats, "2026-01-10", "2026-01-05 00:00:00", false);
    EXPECT_EQ(angles.Design, 0);
    EXPECT_EQ(angles.Review, 0);
    EXPECT_EQ(angles.Other, 360);
}

TEST(TaskExecutionStatsTest, PieSharesAndTheirEndTime) {
    CCycleStatistics stats;
    stats.AssignedTime = "2026-01-01 00:00:00";
    stats.DesignHours = 30;
    stats.ReviewHours = 10;
    // Design 30, review 10 within a total of 20 hours: the total grows to 40.
    CPieAngles angles = PieAngles(stats, "2026-01-01 20:00:00", "2026-01-01 10:00:00", true);
    EXPECT_EQ(angles.Design, 270);
    EXPECT_EQ(angles.Review, 90);
    EXPECT_EQ(angles.Other, 0);
    // An overdue task without a notice is measured up to the server time (80 hours)...
    angles = PieAngles(stats, "2026-01-01 20:00:00", "2026-01-04 08:00:00", false);
    EXPECT_EQ(angles.Design, 135);
    EXPECT_EQ(angles.Review, 45);
    EXPECT_EQ(angles.Other, 180);
    // ... with a notice up to the required finish even when that lies in the past.
    angles = PieAngles(stats, "2026-01-01 20:00:00", "2026-01-04 08:00:00", true);
    EXPECT_EQ(angles.Design, 270);
    // Whole degrees, truncated; the three add up to 360.
    stats.DesignHours = 1;
    stats.ReviewHours = 1;
    angles = PieAngles(stats, "2026-01-08 00:00:00", "", true); // 168 hours
    EXPECT_EQ(angles.Design, 2);
    EXPECT_EQ(angles.Review, 2);
    EXPECT_EQ(angles.Other, 356);
    // No assignment: the total of 0 hours counts as 1.
    stats = CCycleStatistics();
    angles = PieAngles(stats, "", "", true);
    EXPECT_EQ(angles.Other, 360);
}
