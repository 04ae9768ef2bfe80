// The arithmetic of a task's execution status: the design cycles of its task log, the dates,
// counts and hours of one cycle and the three shares of the cycle's time (design, review,
// other) in whole degrees of a pie.
#pragma once

#include "platform/base/String.h"

#include <vector>

// One row of the task log as the execution status reads it.
struct CTaskLogEntry {
    CString SavedTime;
    CString UserName;
    CString WorkType;
};

// The whole hours from one date-time text to another ("2005-03-12 14:30:00", or a date alone,
// which is midnight), truncated; 0 when either text is empty or no date, or when b lies before a.
int TaskHours(const CString& a, const CString& b);

// The entries of the log that belong to design cycle `cycle`: cycle 0 is everything before the
// first "任务更改通知" entry; cycle k starts with the k-th such entry and runs to the next one.
std::vector<CTaskLogEntry> CycleEntries(const std::vector<CTaskLogEntry>& log, int cycle);

// The number of "任务更改通知" entries of the log.
int ChangeNoticeCount(const std::vector<CTaskLogEntry>& log);

struct CCycleStatistics {
    CString AssignedTime;
    CString SubmittedTime;
    CString ReviewEndTime;
    int ChangeCount = 0;
    int ReviewCount = 0;
    int DesignHours = 0;
    int ReviewHours = 0;
};

// The statistics of the rows of one cycle, in their order.
CCycleStatistics CycleStatistics(const std::vector<CTaskLogEntry>& rows);

// The lines of the statistics list box, after its three heading lines.
std::vector<CString> StatisticsLines(const CCycleStatistics& stats, const CString& requiredFinish);
std::vector<CString> StatisticsHeading();

struct CPieAngles {
    int Design = 0;
    int Review = 0;
    int Other = 360;
};

// The shares of the cycle's time. The time runs from the assignment to the required finish, or
// to the server's time at opening for an overdue task that never had a change notice.
CPieAngles PieAngles(const CCycleStatistics& stats, const CString& requiredFinish, const CString& serverTime,
                     bool hasChangeNotice);
