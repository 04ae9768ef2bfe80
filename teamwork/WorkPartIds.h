// Control ids of the dialogs that keep the parts of a work task: the design product structure of
// a work task, the add-design-part dialog and the work part picker.
#pragma once

namespace teamwork::part_ids {

// CTaskPartDlg ("设计产品结构管理")
constexpr int kTaskPartTree = 1070;
constexpr int kTaskProjectNo = 1071;
constexpr int kTaskProjectName = 1072;
constexpr int kTaskWorkId = 1073;
constexpr int kTaskWorkName = 1074;
constexpr int kNewPart = 1075;
constexpr int kModifyPart = 1076;
constexpr int kDeletePart = 1077;
constexpr int kSelectWork = 1078;
constexpr int kExpandParts = 1079;

// CDesignPartDlg ("增加设计零部件")
constexpr int kPartCode = 1101;
constexpr int kSelectPart = 1102;
constexpr int kBorrowPart = 1103;
constexpr int kQueryMode = 1104;
constexpr int kPartName = 1105;
constexpr int kSaveDate = 1106;
constexpr int kUsedFlag = 1107;
constexpr int kUserName = 1108;
constexpr int kWorkId = 1109;
constexpr int kIsAssemble = 1110;
constexpr int kTrastUser = 1111;
constexpr int kPickTrastUser = 1112;
constexpr int kNote = 1113;

// CSelectWorkPartDlg ("选择工作零部件")
constexpr int kWorkPartList = 1120;
constexpr int kPickedCode = 1121;
constexpr int kPickedName = 1122;
constexpr int kManualInput = 1123;
constexpr int kClearAssociation = 1124;

} // namespace teamwork::part_ids
