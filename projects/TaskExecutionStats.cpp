#include "projects/TaskExecutionStats.h"

#include <cctype>
#include <cstdint>
#include <optional>

namespace {

constexpr const char* kChangeNotice = "任务更改通知";

// The integer value of the leading digits of a field; 0 when it has none.
int LeadingNumber(const std::string& field) {
    int value = 0;
    for (const char c : field) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            break;
        if (value > 100000000)
            break;
        value = value * 10 + (c - '0');
    }
    return value;
}

// Days from 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

// Seconds of a date-time text counted without daylight saving (every day has 24 hours); no
// value for an empty text or one without a year.
std::optional<std::int64_t> ParseTaskTime(const CString& text) {
    const std::string& s = text.str();
    if (s.empty())
        return std::nullopt;
    std::vector<std::string> fields(1);
    for (const char c : s) {
        if (c == '-' || c == ':' || c == ' ')
            fields.emplace_back();
        else
            fields.back() += c;
    }
    while (fields.size() < 6)
        fields.emplace_back("00");
    const int year = LeadingNumber(fields[0]);
    int month = LeadingNumber(fields[1]);
    int day = LeadingNumber(fields[2]);
    const int hour = LeadingNumber(fields[3]);
    const int minute = LeadingNumber(fields[4]);
    // A text that is no date at all counts as empty rather than as some day of year 0.
    if (year <= 0)
        return std::nullopt;
    if (day < 1 || day > 31)
        day = 1;
    if (month < 1 || month > 12)
        month = 1;
    return DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * 86400 +
           static_cast<std::int64_t>(hour) * 3600 + static_cast<std::int64_t>(minute) * 60;
}

CString Line(const char* format, const char* label, const CString& value) {
    CString line;
    line.Format(format, label, value.c_str());
    return line;
}

} // namespace

int TaskHours(const CString& a, const CString& b) {
    const auto from = ParseTaskTime(a);
    const auto to = ParseTaskTime(b);
    if (!from || !to || *to <= *from)
        return 0;
    const std::int64_t hours = (*to - *from) / 3600;
    return hours > INT32_MAX ? INT32_MAX : static_cast<int>(hours);
}

int ChangeNoticeCount(const std::vector<CTaskLogEntry>& log) {
    int count = 0;
    for (const auto& entry : log)
        if (entry.WorkType == kChangeNotice)
            ++count;
    return count;
}

std::vector<CTaskLogEntry> CycleEntries(const std::vector<CTaskLogEntry>& log, int cycle) {
    std::vector<CTaskLogEntry> rows;
    int current = 0;
    for (const auto& entry : log) {
        if (entry.WorkType == kChangeNotice)
            ++current;
        if (current == cycle)
            rows.push_back(entry);
    }
    return rows;
}

CCycleStatistics CycleStatistics(const std::vector<CTaskLogEntry>& rows) {
    CCycleStatistics stats;
    for (const auto& row : rows) {
        const CString& type = row.WorkType;
        if (type == "评审-更改提交")
            ++stats.ChangeCount;
        else if (type == "任务评审")
            ++stats.ReviewCount;
        else if (type == "分配任务" || type == kChangeNotice)
            stats.AssignedTime = row.SavedTime;
        else if (type == "首次提交")
            stats.SubmittedTime = row.SavedTime;
        else if (type == "评审结束")
            stats.ReviewEndTime = row.SavedTime;
        else if (type == "创建任务版本" && stats.ReviewEndTime.IsEmpty())
            stats.ReviewEndTime = row.SavedTime;
    }
    stats.DesignHours = TaskHours(stats.AssignedTime, stats.SubmittedTime);
    stats.ReviewHours = TaskHours(stats.SubmittedTime, stats.ReviewEndTime);
    return stats;
}

std::vector<CString> StatisticsHeading() {
    return {"--------------------------------", "        任务执行统计数据        ",
            "--------------------------------"};
}

std::vector<CString> StatisticsLines(const CCycleStatistics& stats, const CString& requiredFinish) {
    std::vector<CString> lines;
    lines.push_back(Line("%-12s : %s", "要求完成时间", requiredFinish));
    lines.push_back(Line("%-12s : %s", "任务分配日期", stats.AssignedTime));
    lines.push_back(Line("%-12s : %s", "设计提交日期", stats.SubmittedTime));
    lines.push_back(Line("%-12s : %s", "评审结束日期", stats.ReviewEndTime));
    CString line;
    line.Format("%-12s : %d 次", "设计更改次数", stats.ChangeCount);
    lines.push_back(line);
    line.Format("%-12s : %d 次", "任务评审次数", stats.ReviewCount);
    lines.push_back(line);
    line.Format("%-12s : %d 小时(%.2f天)", "设计完成时间", stats.DesignHours, stats.DesignHours * 1.0 / 24);
    lines.push_back(line);
    line.Format("%-12s : %d 小时(%.2f天)", "设计评审时间", stats.ReviewHours, stats.ReviewHours * 1.0 / 24);
    lines.push_back(line);
    return lines;
}

CPieAngles PieAngles(const CCycleStatistics& stats, const CString& requiredFinish, const CString& serverTime,
                     bool hasChangeNotice) {
    CString end = requiredFinish;
    if (!hasChangeNotice && serverTime.CompareNoCase(requiredFinish) > 0)
        end = serverTime;
    long long total = TaskHours(stats.AssignedTime, end);
    if (total == 0)
        total = 1;
    const long long used = static_cast<long long>(stats.DesignHours) + stats.ReviewHours;
    if (used > total)
        total = used;
    CPieAngles angles;
    angles.Design = static_cast<int>(stats.DesignHours * 360LL / total);
    angles.Review = static_cast<int>(stats.ReviewHours * 360LL / total);
    angles.Other = 360 - angles.Design - angles.Review;
    return angles;
}
