// Entry names the host's menus may call for project-task review flows and for review histories.
// They share one body that opens nothing and returns 1: the host treats 1 as "done".
#include "core/EntryRegistry.h"

namespace {
int DoNothing() {
    return 1;
}
} // namespace

extern "C" int ShowProjectTaskAuditFlow(CString, CString, int) {
    return DoNothing();
}
extern "C" int ShowProjectTaskAuditResult(CString, CString, int) {
    return DoNothing();
}
extern "C" int ShowTeamTaskAuditHistory(CString, CString, int) {
    return DoNothing();
}
extern "C" int ShowProjectTaskAuditHistory(CString, CString, int) {
    return DoNothing();
}

VQ_EXPORT_ENTRY(ShowProjectTaskAuditFlow, 0, "项目任务审核流程", vq::kReviewSubsystem);
VQ_EXPORT_ENTRY(ShowProjectTaskAuditResult, 0, "项目任务审核结果", vq::kReviewSubsystem);
VQ_EXPORT_ENTRY(ShowTeamTaskAuditHistory, 0, "工作任务审核历史", vq::kReviewSubsystem);
VQ_EXPORT_ENTRY(ShowProjectTaskAuditHistory, 0, "项目任务审核历史", vq::kReviewSubsystem);
