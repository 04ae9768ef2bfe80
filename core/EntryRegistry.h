// The system's entry functions register themselves in the table of platform/os/EntryTable.h with
// VQ_EXPORT_ENTRY(function, loginArg, "title", subsystem); the subsystems they are grouped by in
// the host's menus are these.
#pragma once

#include "platform/os/EntryTable.h"

namespace vq {

inline constexpr EntrySubsystem kCoreSubsystem{1, "应用核心"};
inline constexpr EntrySubsystem kControlsSubsystem{2, "公共控件"};
inline constexpr EntrySubsystem kPartsSubsystem{3, "零部件与产品结构"};
inline constexpr EntrySubsystem kProjectsSubsystem{4, "设计项目"};
inline constexpr EntrySubsystem kTeamworkSubsystem{5, "工作任务"};
inline constexpr EntrySubsystem kReviewSubsystem{6, "设计审核"};
inline constexpr EntrySubsystem kMailSubsystem{7, "邮件"};
inline constexpr EntrySubsystem kChangeOrdersSubsystem{8, "工程更改"};

} // namespace vq
