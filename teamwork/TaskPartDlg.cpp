#include "teamwork/TaskPartDlg.h"

#include "core/ComError.h"
#include "core/Settings.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/Menu.h"
#include "projects/ProjectTaskTree.h"
#include "projects/WorkStateUpdater.h"
#include "teamwork/DesignPartDlg.h"
#include "teamwork/PersonalWorkTaskDlg.h"
#include "teamwork/WorkPartDeletion.h"
#include "teamwork/WorkPartIds.h"

using namespace teamwork::part_ids;

namespace {

constexpr DWORD kReadOnlyEdit = ES_AUTOHSCROLL | ES_READONLY;

const vq::DialogTemplate kTaskPartTemplate{
    "设计产品结构管理",
    {vq::Label("项目编号"), vq::EditBox(kTaskProjectNo, vq::kNoLayoutFlags, kReadOnlyEdit),
     vq::Label("项目名称", vq::kBeside), vq::EditBox(kTaskProjectName, vq::kBeside, kReadOnlyEdit),
     vq::Label("任务编号"), vq::EditBox(kTaskWorkId, vq::kNoLayoutFlags, kReadOnlyEdit),
     vq::Label("任务名称", vq::kBeside), vq::EditBox(kTaskWorkName, vq::kBeside, kReadOnlyEdit),
     vq::Tree(kTaskPartTree, vq::kFill), vq::PushButton(kNewPart, "新建零部件..."),
     vq::PushButton(kModifyPart, "修改零部件...", vq::kBeside, WS_DISABLED),
     vq::PushButton(kDeletePart, "删除零部件...", vq::kBeside, WS_DISABLED),
     vq::PushButton(kSelectWork, "选择任务...", vq::kBeside),
     vq::PushButton(kExpandParts, "展开", vq::kBeside), vq::PushButton(IDCANCEL, "退出", vq::kBeside)},
    CSize(640, 480)};

constexpr const char* kWorkKind = "_Task";
constexpr const char* kPartKind = "_Part";
constexpr const char* kArchivePartKind = "_B_Part";
constexpr const char* kTeamPartKind = "_U_Part";
constexpr const char* kNoRecord = "不能读取选中内容的属性信息...";

constexpr int kWorkImage = 0;
constexpr int kPartImage = 18;
constexpr int kArchivePartImage = 20;
constexpr int kTeamPartImage = 22;

constexpr UINT kMenuExpand = 1;
constexpr UINT kMenuNew = 2;
constexpr UINT kMenuModify = 3;
constexpr UINT kMenuDelete = 4;

int ImageOfKind(const CString& kind) {
    if (kind == kArchivePartKind)
        return kArchivePartImage;
    if (kind == kTeamPartKind)
        return kTeamPartImage;
    return kPartImage;
}

CString PartNodeText(const CString& name, const CString& code) {
    CString text;
    text.Format("%s [%s]", name, code);
    return text;
}

} // namespace

BEGIN_MESSAGE_MAP(CTaskPartDlg, CDialog)
    ON_BN_CLICKED(kNewPart, &CTaskPartDlg::OnNewPart)
    ON_BN_CLICKED(kModifyPart, &CTaskPartDlg::OnModifyPart)
    ON_BN_CLICKED(kDeletePart, &CTaskPartDlg::OnDeletePart)
    ON_BN_CLICKED(kSelectWork, &CTaskPartDlg::OnSelectTask)
    ON_BN_CLICKED(kExpandParts, &CTaskPartDlg::OnExpand)
    ON_NOTIFY(TVN_SELCHANGED, kTaskPartTree, &CTaskPartDlg::OnSelchangedTree)
    ON_NOTIFY(NM_RCLICK, kTaskPartTree, &CTaskPartDlg::OnRclickTree)
END_MESSAGE_MAP()

CTaskPartDlg::CTaskPartDlg(CWnd* parent) : CDialog(kTaskPartTemplate, parent) {}

CTaskPartDlg::~CTaskPartDlg() = default;

void CTaskPartDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kTaskPartTree, m_tree);
    DDX_Text(pDX, kTaskProjectNo, m_strProjectNo);
    DDX_Text(pDX, kTaskProjectName, m_strProjectName);
    DDX_Text(pDX, kTaskWorkId, m_strWorkID);
    DDX_Text(pDX, kTaskWorkName, m_strWorkName);
}

BOOL CTaskPartDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_bInitialising = true;
    m_pConnection = theApp.m_pConnPDM;
    m_strLoginUser = theApp.m_strLoginUser;
    m_nDatabaseType = theApp.m_nDatabaseType;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    m_images.Create(130, 16, 1, RGB(255, 0, 255));
    m_images.SetBkColor(GetSysColor(COLOR_WINDOW));
    m_tree.SetImageList(&m_images, TVSIL_NORMAL);
    UpdateData(FALSE);
    if (!m_strWorkID.IsEmpty()) {
        GetDlgItem(kSelectWork)->ShowWindow(SW_HIDE);
        LoadWork();
        // Asked once the work is read, so that only its manager is asked.
        ConfirmAcceptTask(m_strWorkID);
    } else {
        m_rootNode = m_tree.InsertItem(CTreeCursor(), "请选择指定的任务...", kWorkImage);
        m_tree.SetItemData(m_rootNode, reinterpret_cast<DWORD_PTR>(NewItemData(kWorkKind, "", "")));
        m_selectedNode = m_rootNode;
        EnablePartButtons(PartCommands{});
    }
    m_bInitialising = false;
    return TRUE;
}

void CTaskPartDlg::PostNcDestroy() {
    ClearTreeItemData();
    CDialog::PostNcDestroy();
}

TreeItemData* CTaskPartDlg::NewItemData(const CString& kind, const CString& code, const CString& text) {
    auto data = std::make_unique<TreeItemData>();
    data->kind = kind;
    data->code = code;
    data->text = text;
    m_itemData.push_back(std::move(data));
    return m_itemData.back().get();
}

TreeItemData* CTaskPartDlg::NodeData(HTREEITEM item) {
    return item ? reinterpret_cast<TreeItemData*>(m_tree.GetItemData(item)) : nullptr;
}

void CTaskPartDlg::ClearTreeItemData() {
    m_itemData.clear();
}

// --- Loading ----------------------------------------------------------------------------------

void CTaskPartDlg::LoadWork() {
    CWaitCursor wait;
    m_tree.DeleteAllItems();
    ClearTreeItemData();
    m_rootNode = CTreeCursor();
    m_selectedNode = CTreeCursor();
    ReadWorkRow();
    ReadProjectTask();
    if (m_strManager.CompareNoCase(m_strLoginUser) != 0)
        m_bReadOnly = 1;
    UpdateData(FALSE);
    CString text;
    text.Format("任务：%s[%s] 下的工作：%s[%s]...", m_strTaskName, m_strTaskNo, m_strWorkName, m_strWorkID);
    m_rootNode = m_tree.InsertItem(CTreeCursor(), text, kWorkImage);
    m_tree.SetItemData(m_rootNode,
                       reinterpret_cast<DWORD_PTR>(NewItemData(kWorkKind, m_strWorkID, m_strWorkName)));
    ExpandPartNode(m_rootNode, m_strWorkID, 1);
    m_tree.Expand(m_rootNode, TVE_EXPAND);
    m_tree.SelectItem(m_rootNode);
    m_selectedNode = m_rootNode;
    PartCommands commands;
    commands.canNew = true;
    EnablePartButtons(commands);
}

void CTaskPartDlg::ReadWorkRow() {
    CString sql;
    sql.Format("SELECT TaskNo, WorkName, Manager FROM TeamWorkManage WHERE WorkID='%s'",
               SqlQuote(m_strWorkID));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        if (!rs->IsEOF()) {
            m_strTaskNo = VariantToString(rs->GetCollect(0L));
            m_strWorkName = VariantToString(rs->GetCollect(1L));
            m_strManager = VariantToString(rs->GetCollect(2L));
        }
        if (m_nAdoCloseMode && rs->GetState() == adStateOpen)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

void CTaskPartDlg::ReadProjectTask() {
    if (m_strTaskNo.IsEmpty())
        return;
    CString sql;
    sql.Format("SELECT ProjectName, ProjectPath, ProjectManager FROM ProjectManage WHERE ProjectNo='%s'",
               SqlQuote(m_strTaskNo));
    CString path;
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        if (!rs->IsEOF()) {
            m_strTaskName = VariantToString(rs->GetCollect(0L));
            path = VariantToString(rs->GetCollect(1L));
        }
        if (m_nAdoCloseMode && rs->GetState() == adStateOpen)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
    if (path == "项目管理") {
        m_strProjectName = m_strTaskName;
    } else {
        const int slash = path.Find('\\', 1);
        m_strProjectName = slash > 0 ? path.Left(slash) : path;
    }
    sql.Format("SELECT ProjectNo FROM ProjectManage WHERE ProjectName='%s' AND ProjectPath='项目管理'",
               SqlQuote(m_strProjectName));
    m_strProjectNo = theApp.GetSqlString(sql);
}

void CTaskPartDlg::ExpandPartNode(CTreeCursor node, const CString& code, int rootFlag) {
    CWaitCursor wait;
    CString sql;
    if (rootFlag) {
        sql.Format(
            "SELECT Distinct DCode, DName FROM TeamWorkPartTree WHERE WorkID='%s' AND UpCode='%s' ORDER BY "
            "DCode",
            SqlQuote(m_strWorkID), SqlQuote(code));
    } else {
        CString count;
        count.Format("SELECT count(*) FROM VqkorvelAll_detail WHERE UpCode='%s'", SqlQuote(code));
        const int archiveLines = theApp.GetSqlInt(count);
        count.Format("SELECT count(*) FROM VqkorvelTeam_detail WHERE UpCode='%s'", SqlQuote(code));
        const int teamLines = theApp.GetSqlInt(count);
        if (archiveLines >= 1 && teamLines == 0)
            sql.Format("SELECT Distinct DCode, DName, Ditem FROM VqkorvelAll_detail WHERE UpCode='%s' ORDER "
                       "BY DItem",
                       SqlQuote(code));
        else if (teamLines >= 1)
            sql.Format("SELECT DISTINCT DCode, DName, Ditem FROM VqkorvelTeam_detail WHERE UpCode='%s' AND "
                       "FileID IN "
                       "(%s) ORDER BY DItem",
                       SqlQuote(code), theApp.GetPartResultFiles(code));
        else
            sql.Format("SELECT Distinct DCode, DName FROM TeamWorkPartTree WHERE UpCode='%s' AND WorkID='%s' "
                       "ORDER BY "
                       "DCode",
                       SqlQuote(code), SqlQuote(m_strWorkID));
    }
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            const CString childCode = VariantToString(rs->GetCollect(0L));
            const CString childName = VariantToString(rs->GetCollect(1L));
            if (!childCode.IsEmpty())
                AddPartNode(node, childCode, childName);
            rs->MoveNext();
        }
        if (m_nAdoCloseMode && rs->GetState() == adStateOpen)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

CTreeCursor CTaskPartDlg::AddPartNode(CTreeCursor parent, const CString& code, const CString& name) {
    const CString kind = GetPartKind(code);
    CTreeCursor child = m_tree.InsertItem(parent, PartNodeText(name, code), ImageOfKind(kind));
    m_tree.SetItemData(child, reinterpret_cast<DWORD_PTR>(NewItemData(kind, code, name)));
    return child;
}

CString CTaskPartDlg::GetPartKind(const CString& code) {
    const CString quoted = SqlQuote(code);
    CString title, detail;
    title.Format("SELECT count(*) FROM VqkorvelAll_title WHERE TCode='%s'", quoted);
    detail.Format("SELECT count(*) FROM VqkorvelAll_detail WHERE UpCode='%s'", quoted);
    if (theApp.GetSqlInt(title) + theApp.GetSqlInt(detail) > 0)
        return kArchivePartKind;
    title.Format("SELECT count(*) FROM VqkorvelTeam_title WHERE TCode='%s'", quoted);
    detail.Format("SELECT count(*) FROM VqkorvelTeam_detail WHERE UpCode='%s'", quoted);
    if (theApp.GetSqlInt(title) + theApp.GetSqlInt(detail) > 0)
        return kTeamPartKind;
    return kPartKind;
}

// --- Choosing a work and accepting it ---------------------------------------------------------

void CTaskPartDlg::OnSelectTask() {
    CPersonalWorkTaskDlg dlg(this);
    if (dlg.DoModal() != IDOK)
        return;
    m_strProjectNo.Empty();
    m_strProjectName.Empty();
    m_strWorkID = dlg.m_strWorkID;
    m_strWorkName = dlg.m_strWorkName;
    UpdateData(FALSE);
    m_bInitialising = true;
    LoadWork();
    m_bInitialising = false;
}

void CTaskPartDlg::ConfirmAcceptTask(const CString& workId) {
    if (m_bReadOnly || workId.IsEmpty())
        return;
    CString sql;
    sql.Format("SELECT WorkState FROM TeamWorkManage WHERE WorkID='%s'", SqlQuote(workId));
    if (theApp.GetSqlString(sql) != "待确认")
        return;
    if (vq::ShowMessageBox("操作提示", "该任务尚处于待确认状态，是否接受此任务?",
                           MB_YESNO | MB_ICONWARNING) != IDYES)
        return;
    // The statement itself judges the stored state when it writes: a work task that another client
    // accepted, finished or sent to review while the question was open keeps the state it has.
    sql.Format("UPDATE TeamWorkManage SET WorkState='正进行中' WHERE WorkID='%s' AND WorkState='待确认'",
               SqlQuote(workId));
    // The works and tasks above are marked started only once the work itself is.
    if (!theApp.ExecuteSql(sql))
        return;
    CWorkStateUpdater updater;
    updater.SetTeamWorkInProgress(workId);
}

// --- Selection and button states --------------------------------------------------------------

CTaskPartDlg::PartCommands CTaskPartDlg::CommandsFor(CTreeCursor node) {
    PartCommands commands;
    TreeItemData* data = NodeData(node);
    if (!data)
        return commands;
    if (data->kind == kWorkKind) {
        // The placeholder of a dialog without a work offers nothing.
        commands.canNew = !m_strWorkID.IsEmpty();
    } else if (data->kind == kPartKind) {
        commands.canNew = commands.canModify = commands.canDelete = true;
    } else {
        // A stored line can be removed only where it hangs directly below a part of the work or
        // the work itself.
        TreeItemData* parent = NodeData(node.GetParent());
        commands.canDelete = parent && (parent->kind == kPartKind || parent->kind == kWorkKind);
    }
    return commands;
}

void CTaskPartDlg::EnablePartButtons(const PartCommands& commands) {
    GetDlgItem(kNewPart)->EnableWindow(!m_bReadOnly && commands.canNew);
    GetDlgItem(kModifyPart)->EnableWindow(!m_bReadOnly && commands.canModify);
    GetDlgItem(kDeletePart)->EnableWindow(!m_bReadOnly && commands.canDelete);
}

void CTaskPartDlg::OnSelchangedTree(NMHDR*, LRESULT* result) {
    *result = 0;
    if (m_bInitialising)
        return;
    m_selectedNode = m_tree.GetSelectedItem();
    if (!m_selectedNode) {
        EnablePartButtons(PartCommands{});
        return;
    }
    TreeItemData* data = NodeData(m_selectedNode);
    if (!data) {
        AfxMessageBox(kNoRecord);
        return;
    }
    EnablePartButtons(CommandsFor(m_selectedNode));
    if (data->kind != kWorkKind && !m_tree.ItemHasChildren(m_selectedNode)) {
        ExpandPartNode(m_selectedNode, data->code, 0);
        m_tree.Expand(m_selectedNode, TVE_EXPAND);
    }
}

// --- Part commands ----------------------------------------------------------------------------

void CTaskPartDlg::OnNewPart() {
    if (m_strWorkID.IsEmpty()) {
        AfxMessageBox("请先选择指定的任务...");
        return;
    }
    if (m_bReadOnly || !m_selectedNode)
        return;
    if (ReadSettingInt("设计过程管理配置", "任务只允许关联一个产品结构根节点", "1") != 0 &&
        m_selectedNode == m_rootNode && m_tree.ItemHasChildren(m_rootNode)) {
        AfxMessageBox("工作组任务只允许关联一个产品结构根节点...");
        return;
    }
    TreeItemData* data = NodeData(m_selectedNode);
    if (!data) {
        AfxMessageBox(kNoRecord);
        return;
    }
    if (!CommandsFor(m_selectedNode).canNew)
        return;
    CDesignPartDlg dlg(this);
    dlg.WorkID = m_strWorkID;
    dlg.PlaceInTree = 1;
    dlg.UpCode = m_selectedNode == m_rootNode ? m_strWorkID : data->code;
    if (dlg.DoModal() != IDOK)
        return;
    AddPartNode(m_selectedNode, dlg.PartCode, dlg.PartName);
    m_tree.Expand(m_selectedNode, TVE_EXPAND);
    m_bChanged = 1;
}

void CTaskPartDlg::OnModifyPart() {
    if (m_bReadOnly || !m_selectedNode || !CommandsFor(m_selectedNode).canModify)
        return;
    TreeItemData* data = NodeData(m_selectedNode);
    TreeItemData* parent = NodeData(m_selectedNode.GetParent());
    if (!data || !parent) {
        AfxMessageBox(kNoRecord);
        return;
    }
    CDesignPartDlg dlg(this);
    dlg.WorkID = m_strWorkID;
    dlg.PlaceInTree = 1;
    dlg.UpCode = parent->code;
    dlg.PartCode = data->code;
    dlg.PartName = data->text;
    if (dlg.DoModal() != IDOK)
        return;
    CWaitCursor wait;
    m_tree.SetItemText(m_selectedNode, PartNodeText(dlg.PartName, dlg.PartCode));
    m_tree.SetItemData(m_selectedNode,
                       reinterpret_cast<DWORD_PTR>(NewItemData(kPartKind, dlg.PartCode, dlg.PartName)));
    DeleteChildItems(m_selectedNode);
    ExpandPartNode(m_selectedNode, dlg.PartCode, 0);
    m_bChanged = 1;
}

void CTaskPartDlg::OnDeletePart() {
    if (m_bReadOnly || !m_selectedNode)
        return;
    TreeItemData* data = NodeData(m_selectedNode);
    if (!data) {
        AfxMessageBox(kNoRecord);
        return;
    }
    if (!CommandsFor(m_selectedNode).canDelete)
        return;
    if (vq::ShowMessageBox("操作提示", "是否要删除选定的零部件?", MB_YESNO | MB_ICONWARNING) != IDYES)
        return;
    // The node stays when the rows could not be deleted: the tree keeps showing what is stored.
    if (!DeletePartRows(m_selectedNode, m_strWorkID, data->code))
        return;
    const HTREEITEM node = m_selectedNode;
    m_selectedNode = CTreeCursor();
    m_tree.DeleteItem(node);
    m_bChanged = 1;
    m_selectedNode = m_tree.GetSelectedItem();
}

bool CTaskPartDlg::DeletePartRows(CTreeCursor node, const CString& workId, const CString& code) {
    TreeItemData* parent = NodeData(node.GetParent());
    if (!parent)
        return false;
    return DeleteWorkPartRows(workId, parent->code, code);
}

// --- Expanding and menus ----------------------------------------------------------------------

void CTaskPartDlg::DeleteChildItems(CTreeCursor node) {
    HTREEITEM child = m_tree.GetChildItem(node);
    while (child) {
        const HTREEITEM next = m_tree.GetNextSiblingItem(child);
        m_tree.DeleteItem(child);
        child = next;
    }
}

void CTaskPartDlg::ExpandSelected() {
    CWaitCursor wait;
    if (!m_selectedNode)
        return;
    projects::ExpandSubtree(m_tree, m_selectedNode);
    m_tree.EnsureVisible(m_selectedNode);
}

void CTaskPartDlg::OnExpand() {
    m_selectedNode = m_tree.GetSelectedItem();
    ExpandSelected();
}

void CTaskPartDlg::OnRclickTree(NMHDR*, LRESULT* result) {
    *result = 1;
    GetCursorPos(&m_rightClickPoint);
    CPoint point = m_rightClickPoint;
    m_tree.ScreenToClient(&point);
    CTreeCursor hit = m_tree.HitTest(point);
    if (!hit) {
        point.y -= 2;
        hit = m_tree.HitTest(point);
    }
    if (!hit)
        return;
    m_tree.SelectItem(hit);
    m_selectedNode = hit;
    if (hit == m_rootNode)
        ShowWorkMenu();
    else
        ShowPartMenu();
}

void CTaskPartDlg::ShowWorkMenu() {
    CMenu menu;
    menu.CreatePopupMenu();
    menu.AppendMenu(MF_STRING, kMenuExpand, "展开(&P)");
    if (!m_bReadOnly) {
        menu.AppendMenu(MF_SEPARATOR);
        menu.AppendMenu(MF_STRING | (CommandsFor(m_selectedNode).canNew ? 0 : MF_GRAYED), kMenuNew,
                        "新建零部件(&N)...");
    }
    RunMenu(menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, m_rightClickPoint.x,
                                m_rightClickPoint.y, this));
}

void CTaskPartDlg::ShowPartMenu() {
    if (!NodeData(m_selectedNode)) {
        AfxMessageBox(kNoRecord);
        return;
    }
    CMenu menu;
    menu.CreatePopupMenu();
    menu.AppendMenu(MF_STRING, kMenuExpand, "展开(&P)");
    if (!m_bReadOnly) {
        const PartCommands commands = CommandsFor(m_selectedNode);
        menu.AppendMenu(MF_SEPARATOR);
        menu.AppendMenu(MF_STRING | (commands.canNew ? 0 : MF_GRAYED), kMenuNew, "新建零部件(&N)...");
        menu.AppendMenu(MF_SEPARATOR);
        menu.AppendMenu(MF_STRING | (commands.canModify ? 0 : MF_GRAYED), kMenuModify, "修改零部件(&E)...");
        menu.AppendMenu(MF_SEPARATOR);
        menu.AppendMenu(MF_STRING | (commands.canDelete ? 0 : MF_GRAYED), kMenuDelete, "删除零部件(&D)...");
    }
    RunMenu(menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, m_rightClickPoint.x,
                                m_rightClickPoint.y, this));
}

void CTaskPartDlg::RunMenu(UINT command) {
    switch (command) {
    case kMenuExpand:
        ExpandSelected();
        break;
    case kMenuNew:
        OnNewPart();
        break;
    case kMenuModify:
        OnModifyPart();
        break;
    case kMenuDelete:
        OnDeletePart();
        break;
    default:
        break;
    }
}
