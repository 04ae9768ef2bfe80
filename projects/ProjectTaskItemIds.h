// Control ids of the project/task item properties dialog, for its code and its tests.
#pragma once

namespace projects::item_ids {

constexpr int kNumber = 1001;
constexpr int kNewCode = 1002;
constexpr int kName = 1003;
constexpr int kManager = 1004;
constexpr int kManagerPick = 1005;
constexpr int kEndDate = 1006;
constexpr int kEndDays = 1007;
constexpr int kAlertDate = 1008;
constexpr int kAlertDays = 1009;
constexpr int kStartDate = 1010;
constexpr int kStartDays = 1011;
constexpr int kPriority = 1012;
constexpr int kPrioritySpin = 1013;
constexpr int kTaskType = 1014;
constexpr int kSimpleProject = 1015;
constexpr int kCreateWorkTask = 1016;
constexpr int kRemark = 1017;
constexpr int kResourceList = 1018;
constexpr int kAddResource = 1019;
constexpr int kModifyResource = 1020;
constexpr int kDeleteResource = 1021;
constexpr int kCreatedText = 1022;
constexpr int kModifiedText = 1023;
constexpr int kStateText = 1024;
constexpr int kMembers = 1025;
constexpr int kResources = 1026;
constexpr int kSubdivide = 1027;
constexpr int kAuditFlow = 1028;
constexpr int kTaskQuery = 1029;

} // namespace projects::item_ids
