// The system's entry functions register themselves in the table of platform/os/EntryTable.h with
// VQ_EXPORT_ENTRY(function, loginArg, "title", subsystem); the subsystems they are grouped by in
// the host's menus are these, each with the access key of its menu (文件 has F).
// core/EntryRegistry.cpp gives the system's entry table (its order and the names of each entry's
// arguments) to the registered entries.
#pragma once

#include "platform/os/EntryTable.h"

namespace vq {

inline constexpr EntrySubsystem kCoreSubsystem{1, "应用核心", 'A'};
inline constexpr EntrySubsystem kControlsSubsystem{2, "公共控件", 'C'};
inline constexpr EntrySubsystem kPartsSubsystem{3, "零部件与产品结构", 'P'};
inline constexpr EntrySubsystem kProjectsSubsystem{4, "设计项目", 'D'};
inline constexpr EntrySubsystem kTeamworkSubsystem{5, "工作任务", 'W'};
inline constexpr EntrySubsystem kReviewSubsystem{6, "设计审核", 'R'};
inline constexpr EntrySubsystem kMailSubsystem{7, "邮件", 'M'};
inline constexpr EntrySubsystem kChangeOrdersSubsystem{8, "工程更改", 'E'};

} // namespace vq
