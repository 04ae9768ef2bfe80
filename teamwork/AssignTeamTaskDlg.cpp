#include "teamwork/AssignTeamTaskDlg.h"

#include "core/ComError.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/Menu.h"
#include "projects/ProjectTaskTree.h"
#include "projects/ProjectTeamDlg.h"
#include "projects/WorkStateUpdater.h"
#include "teamwork/BrowseProjectTaskDlg.h"
#include "teamwork/DeleteWorkCascade.h"
#include "teamwork/TeamTaskItemDlg.h"

namespace {

constexpr int kTreeId = 1050;
constexpr int kProjectNoEdit = 1051;
constexpr int kProjectNameEdit = 1052;
constexpr int kParentNoEdit = 1053;
constexpr int kParentNameEdit = 1054;
constexpr int kDivideButton = 1055;
constexpr int kPropertiesButton = 1056;
constexpr int kDeleteButton = 1057;
constexpr int kSelectTaskButton = 1058;
constexpr int kMembersButton = 1059;
constexpr int kExpandButton = 1060;

constexpr UINT kMenuExpand = 1;
constexpr UINT kMenuDivide = 2;
constexpr UINT kMenuProperties = 3;
constexpr UINT kMenuDelete = 4;

constexpr DWORD kReadOnlyEdit = ES_AUTOHSCROLL | ES_READONLY;

const vq::DialogTemplate kAssignTeamTaskTemplate{
    "设计工作组工作管理",
    {vq::Label("项目编号"), vq::EditBox(kProjectNoEdit, vq::kNoLayoutFlags, kReadOnlyEdit),
     vq::Label("项目名称", vq::kBeside), vq::EditBox(kProjectNameEdit, vq::kBeside, kReadOnlyEdit),
     vq::Label("父任务编号"), vq::EditBox(kParentNoEdit, vq::kNoLayoutFlags, kReadOnlyEdit),
     vq::Label("父任务名称", vq::kBeside), vq::EditBox(kParentNameEdit, vq::kBeside, kReadOnlyEdit),
     vq::Tree(kTreeId, vq::kFill), vq::PushButton(kDivideButton, "划分任务..."),
     vq::PushButton(kPropertiesButton, "任务属性...", vq::kBeside, WS_DISABLED),
     vq::PushButton(kDeleteButton, "删除任务...", vq::kBeside, WS_DISABLED),
     vq::PushButton(kSelectTaskButton, "选择任务...", vq::kBeside),
     vq::PushButton(kMembersButton, "项目成员...", vq::kBeside),
     vq::PushButton(kExpandButton, "展开", vq::kBeside), vq::PushButton(IDCANCEL, "退出", vq::kBeside)}};

constexpr const char* kProjectTaskKind = "_ProjectTask";
constexpr const char* kRealWorkKind = "_Task";
constexpr const char* kGroupWorkKind = "_Task_V";
constexpr const char* kNoRecord = "不能读取选中内容的属性信息...";

} // namespace

BEGIN_MESSAGE_MAP(CAssignTeamTaskDlg, CDialog)
    ON_BN_CLICKED(kDivideButton, &CAssignTeamTaskDlg::OnDivideWork)
    ON_BN_CLICKED(kPropertiesButton, &CAssignTeamTaskDlg::OnWorkProperties)
    ON_BN_CLICKED(kDeleteButton, &CAssignTeamTaskDlg::OnDeleteWork)
    ON_BN_CLICKED(kSelectTaskButton, &CAssignTeamTaskDlg::OnSelectTask)
    ON_BN_CLICKED(kMembersButton, &CAssignTeamTaskDlg::OnProjectMembers)
    ON_BN_CLICKED(kExpandButton, &CAssignTeamTaskDlg::OnExpand)
    ON_NOTIFY(TVN_SELCHANGED, kTreeId, &CAssignTeamTaskDlg::OnTreeSelChanged)
    ON_NOTIFY(NM_DBLCLK, kTreeId, &CAssignTeamTaskDlg::OnTreeDblClk)
    ON_NOTIFY(NM_RCLICK, kTreeId, &CAssignTeamTaskDlg::OnTreeRClick)
    ON_WM_CLOSE()
END_MESSAGE_MAP()

CAssignTeamTaskDlg::CAssignTeamTaskDlg(CWnd* parent) : CDialog(kAssignTeamTaskTemplate, parent) {}

CAssignTeamTaskDlg::~CAssignTeamTaskDlg() = default;

void CAssignTeamTaskDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kTreeId, m_tree);
    DDX_Text(pDX, kProjectNoEdit, ProjectNo);
    DDX_Text(pDX, kProjectNameEdit, ProjectName);
    DDX_Text(pDX, kParentNoEdit, ParentNo);
    DDX_Text(pDX, kParentNameEdit, ParentName);
}

BOOL CAssignTeamTaskDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_connection = theApp.m_pConnPDM;
    m_loginUser = theApp.m_strLoginUser;
    m_closeMode = theApp.m_nAdoCloseMode;
    m_images.Create(130, 16, 1, RGB(255, 0, 255));
    m_images.SetBkColor(GetSysColor(COLOR_WINDOW));
    m_tree.SetImageList(&m_images, TVSIL_NORMAL);
    m_initialising = true;
    if (!ParentNo.IsEmpty()) {
        GetDlgItem(kSelectTaskButton)->ShowWindow(SW_HIDE);
        if (GroupMode) {
            SetWindowText("工作任务组任务管理");
            LoadGroupTree();
        } else {
            LoadTaskTree();
        }
    } else {
        ClearTree();
        m_rootNode = m_tree.InsertItem(CTreeCursor(), "请选择指定的项目任务...", 6);
        m_tree.SetItemData(m_rootNode, reinterpret_cast<DWORD_PTR>(NewItemData(kProjectTaskKind, "", "")));
        m_currentNode = m_rootNode;
        for (int id : {kDivideButton, kPropertiesButton, kDeleteButton, kMembersButton})
            EnableButton(id, FALSE);
    }
    m_initialising = false;
    if (ReadOnly) {
        EnableButton(kDivideButton, FALSE);
        EnableButton(kDeleteButton, FALSE);
    }
    return TRUE;
}

void CAssignTeamTaskDlg::EnableButton(int id, BOOL enable) {
    if (CWnd* button = GetDlgItem(id))
        button->EnableWindow(enable);
}

TreeItemData* CAssignTeamTaskDlg::NewItemData(const CString& kind, const CString& code, const CString& text) {
    auto data = std::make_unique<TreeItemData>();
    data->kind = kind;
    data->code = code;
    data->text = text;
    m_itemData.push_back(std::move(data));
    return m_itemData.back().get();
}

TreeItemData* CAssignTeamTaskDlg::NodeData(HTREEITEM item) {
    return item ? reinterpret_cast<TreeItemData*>(m_tree.GetItemData(item)) : nullptr;
}

CString CAssignTeamTaskDlg::WorkNodeText(const CString& name, const CString& id) const {
    if (!ShowWorkNumbers)
        return name;
    CString text;
    text.Format("%s [%s]", name, id);
    return text;
}

void CAssignTeamTaskDlg::ClearTree() {
    m_tree.DeleteAllItems();
    m_itemData.clear();
    m_rootNode = CTreeCursor();
    m_currentNode = CTreeCursor();
}

void CAssignTeamTaskDlg::PostNcDestroy() {
    m_itemData.clear();
}

// --- Loading ----------------------------------------------------------------------------------

void CAssignTeamTaskDlg::LoadTaskTree() {
    CWaitCursor wait;
    UpdateData(TRUE);
    ClearTree();
    ReadParentTask();
    if (m_parentManager.CompareNoCase(m_loginUser) != 0) {
        AfxMessageBox("非工作组任务负责人，不能进行工作任务维护...");
        ReadOnly = 1;
    } else if (m_parentState != "未开始" && m_parentState != "正进行中") {
        AfxMessageBox("工作组任务正处于：" + m_parentState + "，不能进行工作任务维护...");
        ReadOnly = 1;
    }
    UpdateData(FALSE);
    CString text;
    text.Format("项目：%s[%s] 下的任务：%s[%s]...", ProjectName, ProjectNo, ParentName, ParentNo);
    m_rootNode = m_tree.InsertItem(CTreeCursor(), text, 6);
    m_tree.SetItemData(m_rootNode,
                       reinterpret_cast<DWORD_PTR>(NewItemData(kProjectTaskKind, ParentNo, ParentName)));
    ReadWorkRows();
    AddChildWorks(m_rootNode, ParentNo);
    m_tree.Expand(m_rootNode, TVE_EXPAND);
    m_tree.SelectItem(m_rootNode);
    m_currentNode = m_rootNode;
}

void CAssignTeamTaskDlg::ReadParentTask() {
    if (ParentNo.IsEmpty())
        return;
    CString sql;
    sql.Format(
        "SELECT ProjectName, ProjectPath, ProjectManager, WorkState FROM ProjectManage WHERE ProjectNo='%s'",
        SqlQuote(ParentNo));
    CString path;
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_connection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        if (!rs->IsEOF()) {
            ParentName = VariantToString(rs->GetCollect(0L));
            path = VariantToString(rs->GetCollect(1L));
            m_parentManager = VariantToString(rs->GetCollect(2L));
            m_parentState = VariantToString(rs->GetCollect(3L));
        }
        if (m_closeMode && rs->GetState() == adStateOpen)
            rs->Close();
    } catch (_com_error& e) {
        theApp.ReportSqlError(e, sql);
        return;
    }
    if (path == "项目管理") {
        ProjectName = ParentName;
    } else {
        const int slash = path.Find('\\');
        ProjectName = slash > 0 ? path.Left(slash) : path;
    }
    sql.Format("SELECT ProjectNo FROM ProjectManage WHERE ProjectName='%s' AND ProjectPath='项目管理'",
               SqlQuote(ProjectName));
    ProjectNo = theApp.GetSqlString(sql);
}

void CAssignTeamTaskDlg::LoadGroupTree() {
    CWaitCursor wait;
    UpdateData(TRUE);
    ClearTree();
    if (!ReadGroupWork())
        return;
    CString sql;
    sql.Format("SELECT ProjectName FROM ProjectManage WHERE ProjectNo = '%s'", SqlQuote(ProjectNo));
    ProjectName = theApp.GetSqlString(sql);
    if (m_parentManager.CompareNoCase(m_loginUser) != 0) {
        AfxMessageBox("非工作任务组负责人，不能进行工作任务维护...");
        ReadOnly = 1;
    } else if (m_parentState != "未开始" && m_parentState != "正进行中" && m_parentState != "待确认") {
        AfxMessageBox("工作任务组正处于：" + m_parentState + "，不能进行工作任务维护...");
        ReadOnly = 1;
    }
    UpdateData(FALSE);
    CString text;
    text.Format("工作任务组:%s[%s]下的工作任务: %s[%s]...", ProjectName, ProjectNo, ParentName, ParentNo);
    m_rootNode = m_tree.InsertItem(CTreeCursor(), text, 8);
    m_tree.SetItemData(m_rootNode,
                       reinterpret_cast<DWORD_PTR>(NewItemData(kProjectTaskKind, ParentNo, ParentName)));
    ReadWorkRows();
    AddChildWorks(m_rootNode, ParentNo);
    m_tree.Expand(m_rootNode, TVE_EXPAND);
    m_tree.SelectItem(m_rootNode);
    m_currentNode = m_rootNode;
    EnableButton(kPropertiesButton, TRUE);
}

bool CAssignTeamTaskDlg::ReadGroupWork() {
    if (ParentNo.IsEmpty())
        return false;
    CString sql;
    sql.Format("SELECT Manager, WorkState, TaskNo, WorkName FROM TeamWorkManage WHERE WorkID='%s'",
               SqlQuote(ParentNo));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_connection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        if (!rs->IsEOF()) {
            m_parentManager = VariantToString(rs->GetCollect(0L));
            m_parentState = VariantToString(rs->GetCollect(1L));
            ProjectNo = VariantToString(rs->GetCollect(2L));
            ParentName = VariantToString(rs->GetCollect(3L));
        }
        if (m_closeMode && rs->GetState() == adStateOpen)
            rs->Close();
    } catch (_com_error& e) {
        theApp.ReportSqlError(e, sql);
        return false;
    }
    return true;
}

void CAssignTeamTaskDlg::ReadWorkRows() {
    CWaitCursor wait;
    for (CStringArray* list : {&m_upWorkIds, &m_workIds, &m_workNames, &m_workStates, &m_workTypes})
        list->RemoveAll();
    CString sql;
    if (GroupMode)
        sql.Format(
            "SELECT UpWorkID, WorkID, WorkName, WorkState, WorkType FROM TeamWorkManage WHERE WorkID LIKE "
            "'%s%%'%s ORDER BY UpWorkID, WorkID",
            SqlLikeLiteral(ParentNo + "#"), kSqlLikeEscape);
    else
        sql.Format(
            "SELECT UpWorkID, WorkID, WorkName, WorkState, WorkType FROM TeamWorkManage WHERE TaskNo='%s' "
            "ORDER BY UpWorkID, WorkID",
            SqlQuote(ParentNo));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_connection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            m_upWorkIds.Add(VariantToString(rs->GetCollect(0L)));
            m_workIds.Add(VariantToString(rs->GetCollect(1L)));
            m_workNames.Add(VariantToString(rs->GetCollect(2L)));
            m_workStates.Add(VariantToString(rs->GetCollect(3L)));
            m_workTypes.Add(VariantToString(rs->GetCollect(4L)));
            rs->MoveNext();
        }
        if (m_closeMode && rs->GetState() == adStateOpen)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

// The rows of one parent are adjacent in the read order; the walk ends after them. A row that
// names itself as its parent is not followed again.
void CAssignTeamTaskDlg::AddChildWorks(CTreeCursor node, const CString& number) {
    bool met = false;
    for (int i = 0; i < m_workIds.GetSize(); ++i) {
        if (m_upWorkIds[i].CompareNoCase(number) != 0) {
            if (met)
                break;
            continue;
        }
        met = true;
        const bool real = m_workTypes[i].CompareNoCase("W") == 0;
        const CString id = m_workIds[i];
        CTreeCursor child = m_tree.InsertItem(node, WorkNodeText(m_workNames[i], id), real ? 10 : 8);
        m_tree.SetItemData(child, reinterpret_cast<DWORD_PTR>(NewItemData(
                                      real ? kRealWorkKind : kGroupWorkKind, id, m_workNames[i])));
        if (id.CompareNoCase(number) != 0)
            AddChildWorks(child, id);
    }
}

// --- Commands ---------------------------------------------------------------------------------

void CAssignTeamTaskDlg::OnDivideWork() {
    CString parentId;
    if (m_currentNode == m_rootNode) {
        parentId = ParentNo;
    } else {
        TreeItemData* data = NodeData(m_currentNode);
        if (!data) {
            AfxMessageBox(kNoRecord);
            return;
        }
        if (data->kind == kRealWorkKind) {
            AfxMessageBox("指定任务为实任务，不能再进行划分...");
            return;
        }
        parentId = data->code;
    }
    CTeamTaskItemDlg dlg(this);
    dlg.ModifyMode = 0;
    dlg.ReadOnly = 0;
    dlg.HasSubWorks = 0;
    dlg.TaskNo = GroupMode ? ProjectNo : ParentNo;
    dlg.TaskName = GroupMode ? ProjectName : ParentName;
    dlg.UpWorkID = parentId;
    if (dlg.DoModal() != IDOK)
        return;
    // Only a plain work task ("W") is a leaf; groups and change tasks can be divided further.
    const bool real = dlg.TypeIndex == 1;
    CTreeCursor child =
        m_tree.InsertItem(m_currentNode, WorkNodeText(dlg.WorkName, dlg.WorkID), real ? 10 : 8);
    m_tree.SetItemData(child, reinterpret_cast<DWORD_PTR>(NewItemData(real ? kRealWorkKind : kGroupWorkKind,
                                                                      dlg.WorkID, dlg.WorkName)));
    m_tree.Expand(m_currentNode, TVE_EXPAND);
    Changed = 1;
}

void CAssignTeamTaskDlg::OnWorkProperties() {
    TreeItemData* data = NodeData(m_currentNode);
    if (!data) {
        AfxMessageBox(kNoRecord);
        return;
    }
    CString sql;
    sql.Format("SELECT WorkState FROM TeamWorkManage WHERE WorkID='%s'", SqlQuote(data->code));
    const CString state = theApp.GetSqlString(sql);
    int readOnly = ReadOnly;
    if (state == "评审" || state == "归档") {
        AfxMessageBox("指定任务处于评审或归档状态，不能进行修改...");
        readOnly = 1;
    }
    if (GroupMode && m_currentNode == m_rootNode)
        readOnly = 1;
    CTeamTaskItemDlg dlg(this);
    dlg.ModifyMode = 1;
    dlg.TaskNo = ParentNo;
    dlg.TaskName = ParentName;
    dlg.WorkID = data->code;
    dlg.ReadOnly = readOnly;
    dlg.HasSubWorks = m_tree.ItemHasChildren(m_currentNode) ? 1 : 0;
    if (dlg.DoModal() != IDOK)
        return;
    const bool real = dlg.TypeIndex == 1;
    data = NewItemData(real ? kRealWorkKind : kGroupWorkKind, dlg.WorkID, dlg.WorkName);
    m_tree.SetItemData(m_currentNode, reinterpret_cast<DWORD_PTR>(data));
    m_tree.SetItemText(m_currentNode, WorkNodeText(dlg.WorkName, dlg.WorkID));
    m_tree.SetItemImage(m_currentNode, real ? 10 : 8, real ? 11 : 9);
    Changed = 1;
}

void CAssignTeamTaskDlg::OnDeleteWork() {
    TreeItemData* data = NodeData(m_currentNode);
    if (!data) {
        AfxMessageBox(kNoRecord);
        return;
    }
    if (m_tree.ItemHasChildren(m_currentNode)) {
        AfxMessageBox("请先删除任务下面的任务，再删除本任务...");
        return;
    }
    CString sql;
    sql.Format("SELECT WorkState FROM TeamWorkManage WHERE WorkID='%s'", SqlQuote(data->code));
    const CString state = theApp.GetSqlString(sql);
    CString parentName, parentId;
    if (TreeItemData* parent = NodeData(m_currentNode.GetParent())) {
        parentName = parent->text;
        parentId = parent->code;
    }
    CString prompt;
    // Stored names and numbers go into the log line as they can be read (vq::VisibleText).
    auto visible = [](const CString& text) { return CString(vq::VisibleText(text.str())); };
    prompt.Format("撤消%s[%s]下的工作：%s[%s]", visible(parentName), visible(parentId), visible(data->text),
                  visible(data->code));
    if (!DeleteWorkCascade(data->code, GroupMode ? ProjectNo : ParentNo, state, true, prompt))
        return;
    // A neighbour of the deleted node becomes the selection, as a person expects.
    const HTREEITEM node = m_currentNode;
    HTREEITEM next = m_tree.GetNextSiblingItem(node);
    if (!next)
        next = m_tree.GetPrevSiblingItem(node);
    if (!next)
        next = m_tree.GetParentItem(node);
    m_currentNode = CTreeCursor();
    m_tree.DeleteItem(node);
    Changed = 1;
    if (!m_tree.GetSelectedItem() && next)
        m_tree.SelectItem(next);
    m_currentNode = m_tree.GetSelectedItem();
}

void CAssignTeamTaskDlg::OnSelectTask() {
    UpdateData(TRUE);
    CBrowseProjectTaskDlg dlg(this);
    dlg.m_strTaskNo = ParentNo;
    if (dlg.DoModal() != IDOK)
        return;
    ProjectNo.Empty();
    ProjectName.Empty();
    ParentNo = dlg.m_strTaskNo;
    ParentName = dlg.m_strTaskName;
    UpdateData(FALSE);
    m_initialising = true;
    LoadTaskTree();
    m_initialising = false;
    EnableButton(kDivideButton, !ReadOnly);
    EnableButton(kPropertiesButton, FALSE);
    EnableButton(kDeleteButton, FALSE);
    EnableButton(kMembersButton, TRUE);
}

void CAssignTeamTaskDlg::OnProjectMembers() {
    CProjectTeamDlg dlg(this);
    dlg.m_bWorkGroup = 1;
    if (!GroupMode) {
        dlg.m_strProjectNo = ProjectNo;
        dlg.m_strProjectName = ProjectName;
        dlg.m_strTaskNo = ParentNo;
        dlg.m_strTaskName = ParentName;
        dlg.m_bReadOnly = ReadOnly;
    } else {
        // ProjectNo holds the project task here; the number of its project is the text before "-".
        const int dash = ProjectNo.Find('-');
        const CString projectNo = dash >= 0 ? ProjectNo.Left(dash) : ProjectNo;
        CString sql;
        sql.Format("SELECT projectName FROM ProjectManage WHERE ProjectNo = '%s'", SqlQuote(projectNo));
        dlg.m_strProjectNo = projectNo;
        dlg.m_strProjectName = theApp.GetSqlString(sql);
        dlg.m_strTaskNo = ProjectNo;
        dlg.m_strTaskName = ProjectName;
        dlg.m_bReadOnly = 1;
    }
    dlg.DoModal();
}

void CAssignTeamTaskDlg::ExpandCurrent() {
    CWaitCursor wait;
    if (!m_currentNode)
        return;
    projects::ExpandSubtree(m_tree, m_currentNode);
    m_tree.EnsureVisible(m_currentNode);
}

void CAssignTeamTaskDlg::OnExpand() {
    m_currentNode = m_tree.GetSelectedItem();
    ExpandCurrent();
}

void CAssignTeamTaskDlg::OnTreeSelChanged(NMHDR*, LRESULT* result) {
    *result = 0;
    if (m_initialising)
        return;
    m_currentNode = m_tree.GetSelectedItem();
    m_tree.Invalidate();
    if (!m_currentNode) {
        // Nothing is selected (the selected node was deleted): nothing to work on.
        EnableButton(kPropertiesButton, FALSE);
        EnableButton(kDeleteButton, FALSE);
        return;
    }
    TreeItemData* data = NodeData(m_currentNode);
    if (!data) {
        AfxMessageBox(kNoRecord);
        return;
    }
    if (data->kind == kProjectTaskKind) {
        if (!GroupMode)
            EnableButton(kPropertiesButton, FALSE);
        EnableButton(kDeleteButton, FALSE);
    } else {
        EnableButton(kPropertiesButton, TRUE);
        EnableButton(kDeleteButton, !ReadOnly);
    }
}

void CAssignTeamTaskDlg::OnTreeDblClk(NMHDR*, LRESULT* result) {
    *result = 0;
    m_currentNode = m_tree.GetSelectedItem();
    if (m_currentNode && !(m_currentNode == m_rootNode) && !m_tree.ItemHasChildren(m_currentNode))
        OnWorkProperties();
}

void CAssignTeamTaskDlg::OnTreeRClick(NMHDR*, LRESULT* result) {
    *result = 1;
    GetCursorPos(&m_rightClickPoint);
    CPoint point = m_rightClickPoint;
    m_tree.ScreenToClient(&point);
    CTreeCursor hit = m_tree.HitTest(point);
    if (!hit)
        return;
    m_currentNode = hit;
    m_tree.SelectItem(hit);
    CMenu menu;
    menu.CreatePopupMenu();
    menu.AppendMenu(MF_STRING, kMenuExpand, "展开(&E)");
    if (hit == m_rootNode) {
        if (!ProjectNo.IsEmpty() && !ReadOnly) {
            menu.AppendMenu(MF_SEPARATOR);
            menu.AppendMenu(MF_STRING, kMenuDivide, "划分任务(&N)...");
        }
    } else if (!ReadOnly) {
        menu.AppendMenu(MF_SEPARATOR);
        menu.AppendMenu(MF_STRING, kMenuDivide, "划分任务(&N)...");
        menu.AppendMenu(MF_SEPARATOR);
        menu.AppendMenu(MF_STRING, kMenuProperties, "任务属性(&P)...");
        menu.AppendMenu(MF_SEPARATOR);
        menu.AppendMenu(MF_STRING, kMenuDelete, "删除任务(&D)...");
    } else {
        menu.AppendMenu(MF_SEPARATOR);
        menu.AppendMenu(MF_STRING, kMenuProperties, "任务属性(&P)...");
    }
    switch (menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, m_rightClickPoint.x,
                                m_rightClickPoint.y, this)) {
    case kMenuExpand:
        ExpandCurrent();
        break;
    case kMenuDivide:
        OnDivideWork();
        break;
    case kMenuProperties:
        OnWorkProperties();
        break;
    case kMenuDelete:
        OnDeleteWork();
        break;
    default:
        break;
    }
}

// --- Closing ----------------------------------------------------------------------------------

void CAssignTeamTaskDlg::MarkParentStarted() {
    if (Changed != 1 || m_parentState != "未开始")
        return;
    CString sql;
    sql.Format("UPDATE ProjectManage SET WorkState='正进行中' WHERE ProjectNo='%s'", SqlQuote(ParentNo));
    theApp.ExecuteSql(sql);
    CWorkStateUpdater updater;
    updater.SetProjectInProgress(ParentNo);
}

void CAssignTeamTaskDlg::OnCancel() {
    MarkParentStarted();
    CDialog::OnCancel();
}
