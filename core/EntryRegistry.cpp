#include "core/EntryRegistry.h"

#include <iterator>

namespace {

// The system's entry functions in the order of its entry table, with the names of their
// arguments as the host asks for them.
constexpr vq::EntryDescription kEntryTable[] = {
    {"DesignProjectManageMain", "登录帐号|禁止新建"},
    {"CreateNewProjectTaskItem", "任务项编号|未用|登录帐号"},
    {"AssignProjectTaskMain", "项目编号|登录帐号|只读"},
    {"AssignProjectTeamMain", "任务编号|项目编号|成员组类型|登录帐号|只读"},
    {"AssignProjectStructMain", "项目编号|登录帐号|未用"},
    {"SelectProjectTeamer", "任务编号|项目编号|成员组类型|登录帐号"},
    {"CreateNewTeamTaskItem", "任务编号|上级工作编号|未用|登录帐号"},
    {"AssignTeamTaskMain", "项目编号|上级编号|登录帐号|只读|按组"},
    {"AssignTaskPartMain", "工作编号|登录帐号|只读"},
    {"TeamWorkTaskStateMaintain", "工作编号|登录帐号|未用"},
    {"TeamGorupFileManageMain", "任务编号|按工作编号|登录帐号"},
    {"TeamWorkPrintSearchMain", "图号|登录帐号"},
    {"ShowTeamTaskAuditFlow", "文档编号|登录帐号|未用"},
    {"ShowProjectTaskAuditFlow", "未用|未用|未用"},
    {"ShowProjectTaskAuditResult", "未用|未用|未用"},
    {"ShowTeamTaskAuditHistory", "未用|未用|未用"},
    {"ShowProjectTaskAuditHistory", "未用|未用|未用"},
    {"ShowTeamTaskAuditResult", "文档编号|登录帐号|未用"},
    {"DoTeamTaskAudit", "文档编号|登录帐号|评审步骤"},
    {"DoMultiTeamTaskAudit", "未用|文档编号|登录帐号|评审步骤"},
    {"DoMultiTeamTaskAuditEx", "文档编号列表|登录帐号|评审步骤列表|工作编号|委托评审|协助评审"},
    {"DoTeamTaskAuditWithMarkup", "文档编号|登录帐号|评审步骤|委托评审"},
    {"DoTeamTaskNextAudit", "文档编号|登录帐号|评审步骤"},
    {"DoMultiTeamTaskAuditWithMarkup", "文档编号|登录帐号|评审步骤|委托评审"},
    {"DoProjectTaskAudit", "任务编号|登录帐号|评审步骤"},
    {"DoMultiProjectTaskAudit", "未用|任务编号|登录帐号|评审步骤"},
    {"SendDesignFileToAudit", "文档编号|登录帐号|上级"},
    {"TeamAssignNextAuditTaskMain", "文档编号|评审步骤|登录帐号|只读"},
    {"TeamAssignNextAuditTaskShow", "文档编号|评审步骤|登录帐号"},
    {"ConfigureTaskItemColor", ""},
    {"ImportProductDataFromFile", "未用|登录帐号"},
    {"BrowsePartReversionTree", "图号|登录帐号"},
    {"PartChangeLableMaintain", "零部件图号|未用|登录帐号"},
    {"PartChangeLableBrowse", "零部件图号|登录帐号"},
    {"ECOChangeLableMainTain", "单据类别|单号|文档类型|只读|登录帐号"},
    {"ECOChangeLableBrowse", "单据类别|单号|文档类型|登录帐号"},
    {"ECOChangeLableBrowseMain", "单据类别|单号|登录帐号"},
    {"ECOChangeLableBrowseMainEx", "单据类别|单号|登录帐号|允许编辑"},
    {"ECOAssignNextAuditTaskMain", "单据类别|单号|评审步骤|登录帐号|只读"},
    {"ECOAssignNextAuditTaskShow", "单据类别|单号|评审步骤|登录帐号"},
    {"ECOAssignNextAuditFlatroof", "未用|未用|未用|未用"},
    {"ShowPartECODesignHistory", "图号|登录帐号"},
    {"ShowECOModifyItemData", "修改单号|登录帐号"},
    {"ShowECOChanageItemData", "更改单号|登录帐号"},
};

[[maybe_unused]] const bool described =
    (vq::DescribeEntries(kEntryTable, static_cast<int>(std::size(kEntryTable))), true);

} // namespace
