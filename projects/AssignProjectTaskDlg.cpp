#include "projects/AssignProjectTaskDlg.h"

#include "core/OperationLog.h"
#include "core/TeamWorkLog.h"
#include "core/VqDesignTaskApp.h"
#include "parts/ProductSelectDlg.h"
#include "platform/base/MessageBox.h"
#include "platform/base/Time.h"
#include "platform/base/WaitCursor.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/Menu.h"
#include "projects/DataDeleteConfirmDlg.h"
#include "projects/ProjectTaskItemDlg.h"
#include "projects/ProjectTaskRecords.h"
#include "projects/ProjectTaskStore.h"
#include "projects/ProjectTeamDlg.h"

namespace {

const vq::DialogTemplate kAssignProjectTaskTemplate{
    "设计项目结构管理 — WBS分解",
    {vq::Label("项目编号"),
     vq::EditBox(CAssignProjectTaskDlg::kProjectNoId, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
     vq::Label("项目名称", vq::kBeside),
     vq::EditBox(CAssignProjectTaskDlg::kProjectNameId, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
     vq::Tree(CAssignProjectTaskDlg::kTreeId, vq::kFill),
     vq::PushButton(CAssignProjectTaskDlg::kDivideId, "划分任务..."),
     vq::PushButton(CAssignProjectTaskDlg::kModifyId, "修改任务...", vq::kBeside),
     vq::PushButton(CAssignProjectTaskDlg::kDeleteId, "删除任务...", vq::kBeside, WS_DISABLED),
     vq::PushButton(CAssignProjectTaskDlg::kMembersId, "项目成员...", vq::kBeside),
     vq::PushButton(CAssignProjectTaskDlg::kPickProjectId, "选择项目..."),
     vq::PushButton(CAssignProjectTaskDlg::kExpandId, "展开", vq::kBeside),
     vq::PushButton(IDCANCEL, "退出", vq::kBeside)},
    CSize(520, 500)};

constexpr const char* kNoRecordMessage = "不能读取选中内容的属性信息...";

} // namespace

BEGIN_MESSAGE_MAP(CAssignProjectTaskDlg, CDialog)
    ON_BN_CLICKED(CAssignProjectTaskDlg::kDivideId, &CAssignProjectTaskDlg::OnDivide)
    ON_BN_CLICKED(CAssignProjectTaskDlg::kModifyId, &CAssignProjectTaskDlg::OnModify)
    ON_BN_CLICKED(CAssignProjectTaskDlg::kDeleteId, &CAssignProjectTaskDlg::OnDelete)
    ON_BN_CLICKED(CAssignProjectTaskDlg::kMembersId, &CAssignProjectTaskDlg::OnMembers)
    ON_BN_CLICKED(CAssignProjectTaskDlg::kPickProjectId, &CAssignProjectTaskDlg::OnPickProject)
    ON_BN_CLICKED(CAssignProjectTaskDlg::kExpandId, &CAssignProjectTaskDlg::OnExpand)
    ON_NOTIFY(TVN_SELCHANGED, CAssignProjectTaskDlg::kTreeId, &CAssignProjectTaskDlg::OnSelChanged)
    ON_NOTIFY(NM_DBLCLK, CAssignProjectTaskDlg::kTreeId, &CAssignProjectTaskDlg::OnTreeDblClick)
    ON_NOTIFY(NM_RCLICK, CAssignProjectTaskDlg::kTreeId, &CAssignProjectTaskDlg::OnTreeRightClick)
END_MESSAGE_MAP()

CAssignProjectTaskDlg::CAssignProjectTaskDlg(CWnd* parent)
    : CDialog(kAssignProjectTaskTemplate, parent), m_stack(std::make_unique<CTreeStack>()) {}

CAssignProjectTaskDlg::~CAssignProjectTaskDlg() {
    FreeRecords();
}

void CAssignProjectTaskDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kTreeId, m_tree);
}

void CAssignProjectTaskDlg::FreeRecords() {
    DeleteTreeItemData(m_arrRecords);
}

void CAssignProjectTaskDlg::OnDestroy() {
    FreeRecords();
    CDialog::OnDestroy();
}

void CAssignProjectTaskDlg::EnableCommand(int id, BOOL enable) {
    GetDlgItem(id)->EnableWindow(enable);
}

BOOL CAssignProjectTaskDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_nDatabaseType = theApp.m_nDatabaseType;
    m_strLoginUser = theApp.m_strLoginUser;
    projects::SetUpNodeImages(m_tree, m_images);
    SetDlgItemText(kProjectNoId, ProjectNo);
    SetDlgItemText(kProjectNameId, ProjectName);
    m_bFilling = true;
    if (!ProjectNo.IsEmpty()) {
        GetDlgItem(kPickProjectId)->ShowWindow(SW_HIDE);
        BuildTree();
    } else {
        m_rootNode = AddNode(CTreeCursor(), "请选择指定的项目...", projects::kProjectImage, "_Project", "", "");
        m_selectedNode = m_rootNode;
    }
    if (ProjectNo.IsEmpty() || ReadOnly) {
        for (int id : {kDivideId, kModifyId, kDeleteId, kMembersId})
            EnableCommand(id, FALSE);
    }
    m_bFilling = false;
    return TRUE;
}

CTreeCursor CAssignProjectTaskDlg::AddNode(CTreeCursor parent, const CString& text, int image, const CString& kind,
                                           const CString& code, const CString& name) {
    return projects::AddRecordNode(m_tree, m_arrRecords, parent, text, image, kind, code, name);
}

TreeItemData* CAssignProjectTaskDlg::RecordOf(HTREEITEM node) const {
    return node ? reinterpret_cast<TreeItemData*>(m_tree.GetItemData(node)) : nullptr;
}

// ---------------------------------------------------------------------------------------------
// The tree

void CAssignProjectTaskDlg::BuildTree() {
    if (ProjectNo.IsEmpty())
        return;
    if (ProjectName.IsEmpty()) {
        ProjectName = projects::ReadProjectName(ProjectNo);
        SetDlgItemText(kProjectNameId, ProjectName);
    }
    const bool filling = m_bFilling;
    m_bFilling = true;
    m_rootNode = projects::StartProjectTree(m_tree, m_arrRecords, ProjectNo, ProjectName);
    m_tasks.clear();
    projects::ReadProjectTaskRows(ProjectNo, m_tasks);
    FillTree(projects::TaskRowsByPath(m_tasks));
    m_tree.Expand(m_rootNode, TVE_EXPAND);
    m_tree.SelectItem(m_rootNode);
    m_selectedNode = m_rootNode;
    m_bFilling = filling;
}

// Fills the tree without recursion: the children of the current path go below the current
// parent; every child but the last waits on the stack with its children's path, the last one is
// continued at once.
void CAssignProjectTaskDlg::FillTree(const projects::TaskRowsByPath& byPath) {
    m_stack->Init();
    CTreeCursor parent = m_rootNode;
    CString path = ProjectName + "\\";
    for (;;) {
        if (path.IsEmpty() && m_stack->IsEmpty())
            break;
        const std::vector<int>& children = byPath.Children(path);
        if (!children.empty()) {
            CTreeCursor last;
            CString lastPath;
            for (std::size_t i = 0; i < children.size(); ++i) {
                const projects::TaskRow& task = m_tasks[children[i]];
                CTreeCursor node = projects::AddTaskNode(m_tree, m_arrRecords, parent, task);
                const CString childPath = path + task.name + "\\";
                if (i + 1 < children.size()) {
                    m_stack->Push(node, childPath, task.name, 0);
                } else {
                    last = node;
                    lastPath = childPath;
                }
            }
            parent = last;
            path = lastPath;
        } else {
            const CTreeStackItem top = m_stack->GetTop();
            parent = top.m_cursor;
            path = top.m_code;
            m_stack->Drop();
        }
    }
}

void CAssignProjectTaskDlg::OnPickProject() {
    CProductSelectDlg pick(this);
    pick.m_nMode = 1;
    pick.m_strCode = ProjectNo;
    if (pick.DoModal() != IDOK)
        return;
    ProjectNo = pick.m_strCode;
    ProjectName = pick.m_strName;
    SetDlgItemText(kProjectNoId, ProjectNo);
    SetDlgItemText(kProjectNameId, ProjectName);
    // Read-only mode offers no command that changes data, whichever project is shown.
    if (!ReadOnly) {
        EnableCommand(kDivideId, TRUE);
        EnableCommand(kMembersId, TRUE);
    }
    BuildTree();
}

void CAssignProjectTaskDlg::OnExpand() {
    CWaitCursor wait;
    CTreeCursor node = m_selectedNode.m_item ? m_selectedNode : m_tree.GetSelectedItem();
    if (!node.m_item)
        return;
    projects::ExpandAndShow(m_tree, node);
}

void CAssignProjectTaskDlg::OnSelChanged(NMHDR* pNMHDR, LRESULT* pResult) {
    *pResult = 0;
    if (m_bFilling)
        return;
    m_selectedNode = m_tree.GetSelectedItem();
    if (!m_selectedNode.m_item)
        return;
    if (!RecordOf(m_selectedNode)) {
        AfxMessageBox(kNoRecordMessage);
        return;
    }
    UpdateCommands();
}

void CAssignProjectTaskDlg::UpdateCommands() {
    const TreeItemData* record = RecordOf(m_selectedNode);
    if (!record || record->kind == "_Project" || record->kind == "_Task") {
        EnableCommand(kDeleteId, FALSE);
    } else {
        EnableCommand(kModifyId, TRUE);
        EnableCommand(kDeleteId, !ReadOnly);
    }
}

void CAssignProjectTaskDlg::OnTreeDblClick(NMHDR* pNMHDR, LRESULT* pResult) {
    *pResult = 0;
    CTreeCursor node = m_tree.GetSelectedItem();
    if (!node.m_item || node == m_rootNode || m_tree.ItemHasChildren(node))
        return;
    m_selectedNode = node;
    OnModify();
}

void CAssignProjectTaskDlg::OnTreeRightClick(NMHDR* pNMHDR, LRESULT* pResult) {
    *pResult = 1;
    CPoint screen;
    CTreeCursor node = projects::SelectNodeAtCursor(m_tree, screen);
    if (!node.m_item)
        return;
    m_selectedNode = node;
    TreeItemData* record = RecordOf(node);
    if (record && record->kind == "_Task")
        return;
    CMenu menu;
    menu.CreatePopupMenu();
    menu.AppendMenu(MF_STRING, kExpandId, "展开(&P)");
    const bool changes = !ReadOnly && !ProjectNo.IsEmpty();
    if (changes) {
        menu.AppendMenu(MF_SEPARATOR);
        menu.AppendMenu(MF_STRING, kDivideId, "划分任务(&N)...");
    }
    if (node != m_rootNode) {
        menu.AppendMenu(MF_SEPARATOR);
        menu.AppendMenu(MF_STRING, kModifyId, "修改任务(&E)...");
        if (changes) {
            menu.AppendMenu(MF_SEPARATOR);
            menu.AppendMenu(MF_STRING, kDeleteId, "删除任务(&D)...");
        }
    }
    switch (menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, screen.x, screen.y, this)) {
    case kExpandId:
        OnExpand();
        break;
    case kDivideId:
        OnDivide();
        break;
    case kModifyId:
        OnModify();
        break;
    case kDeleteId:
        OnDelete();
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------------------------------------
// Commands

CString CAssignProjectTaskDlg::ReadPath(const CString& number) const {
    CString sql;
    sql.Format("SELECT ProjectPath FROM ProjectManage WHERE ProjectNo='%s'", SqlQuote(number));
    const CString path = theApp.GetSqlString(sql);
    return path.IsEmpty() ? CString(projects::kRootPath) : path;
}

bool CAssignProjectTaskDlg::IsResponsibleFor(CTreeCursor node) const {
    CString sql;
    const char* column = m_nDatabaseType == 2 ? "rtrim(ProjectNo)" : "ProjectNo";
    if (node == m_rootNode) {
        const TreeItemData* record = RecordOf(node);
        sql.Format("SELECT TaskAssigner FROM ProjectManage WHERE %s='%s'", column,
                   SqlQuote(record ? record->code : CString()));
    } else {
        const TreeItemData* parent = RecordOf(node.GetParent());
        sql.Format("SELECT ProjectManager FROM ProjectManage WHERE %s='%s'", column,
                   SqlQuote(parent ? parent->code : CString()));
    }
    return theApp.GetSqlString(sql).CompareNoCase(m_strLoginUser) == 0;
}

void CAssignProjectTaskDlg::OnDivide() {
    if (ReadOnly || ProjectNo.IsEmpty())
        return;
    CTreeCursor node = m_selectedNode;
    TreeItemData* record = RecordOf(node);
    if (!record) {
        AfxMessageBox(kNoRecordMessage);
        return;
    }
    if (record->kind == "_ProjectTask") {
        AfxMessageBox("指定项目节点为实项目任务，不能再进行划分...");
        return;
    }
    CString sql;
    sql.Format("SELECT ProjectManager FROM ProjectManage WHERE ProjectNo='%s'", SqlQuote(record->code));
    const CString manager = theApp.GetSqlString(sql);
    // After a lost connection (said already) the missing answer is no refusal of its own.
    if (theApp.m_bConnectionLost)
        return;
    if (manager.CompareNoCase(m_strLoginUser) != 0) {
        AfxMessageBox("非您负责的项目任务，不能进行任务划分...");
        return;
    }
    const CString parentPath = ReadPath(record->code);
    const CString parentName = record->text;
    CProjectTaskItemDlg item(this);
    item.NewItem = 1;
    item.Editable = 1;
    item.IsProject = 0;
    item.ProjectNo = record->code;
    item.ProjectName = parentName;
    item.ProjectPath = parentPath;
    if (item.DoModal() != IDOK)
        return;

    CWaitCursor wait;
    const CTime now = CTime::GetCurrentTime();
    const CString created = now.Format("%Y-%m-%d %H:%M");
    const CString today = now.Format("%Y-%m-%d");
    const CString path = projects::ChildrenPath(parentPath, parentName);
    // Numbered and stored under the lock of the parent; the number may have changed when another
    // client divided the same parent meanwhile. Only a stored task is logged and announced.
    if (!projects::StoreNewTask(item, record->code, path, created, m_strLoginUser))
        return;
    projects::WriteAssignTaskLog(item.ItemNo, item.ItemName, m_strLoginUser);
    item.AnnounceNewItem();
    Changed = 1;
    const bool divided = item.TaskTypeIndex == 0;
    AddNode(node, projects::TaskNodeText(item.ItemName, item.ItemNo),
            divided ? projects::kDividedTaskImage : projects::kGroupTaskImage,
            divided ? "_ProjectTask_V" : "_ProjectTask", item.ItemNo, item.ItemName);
    m_tree.Expand(node, TVE_EXPAND);
    if (item.CreateWorkTask)
        CreateFirstWorkTask(item, created, today);
}

void CAssignProjectTaskDlg::CreateFirstWorkTask(const CProjectTaskItemDlg& item, const CString& created,
                                                const CString& today) {
    const CString workId = projects::InsertFirstWorkTask(item, created, today);
    if (workId.IsEmpty())
        return;
    CString prompt;
    prompt.Format("给%s分配新工作：%s[%s]", theApp.GetUserNameByLogName(item.Manager), item.ItemNo, workId);
    CTeamWorkLog log;
    if (!log.WriteLog(workId, "增加", "分配工作", prompt))
        return;
    theApp.NotifyMessageServer(item.Manager, prompt);
}

void CAssignProjectTaskDlg::OnModify() {
    CTreeCursor node = m_selectedNode;
    TreeItemData* record = RecordOf(node);
    if (!record) {
        AfxMessageBox(kNoRecordMessage);
        return;
    }
    const bool isRoot = node == m_rootNode;
    if (isRoot && record->code.IsEmpty())
        return;
    bool editable = !ReadOnly && IsResponsibleFor(node);
    if (theApp.m_bConnectionLost)
        return;
    if (!ReadOnly && !isRoot && m_strLoginUser.CompareNoCase("Admin") == 0)
        editable = true;
    CProjectTaskItemDlg item(this);
    item.ProjectNo = record->code;
    item.ItemName = record->text;
    item.Editable = editable ? 1 : 0;
    item.NewItem = 0;
    if (item.DoModal() != IDOK || !editable)
        return;
    const CString number = item.ItemNo.IsEmpty() ? item.ProjectNo : item.ItemNo;
    m_tree.SetItemText(node, projects::TaskNodeText(item.ItemName, number));
    if (isRoot) {
        record->kind = "_Project";
        m_tree.SetItemImage(node, projects::kProjectImage, projects::kProjectImage + 1);
    } else {
        const bool divided = item.TaskTypeIndex == 0;
        record->kind = divided ? "_ProjectTask_V" : "_ProjectTask";
        const int image = divided ? projects::kDividedTaskImage : projects::kGroupTaskImage;
        m_tree.SetItemImage(node, image, image + 1);
    }
    record->code = number;
    record->text = item.ItemName;
    Changed = 1;
}

void CAssignProjectTaskDlg::OnDelete() {
    if (ReadOnly)
        return;
    CTreeCursor node = m_selectedNode;
    TreeItemData* record = RecordOf(node);
    if (!record) {
        AfxMessageBox(kNoRecordMessage);
        return;
    }
    if (!IsResponsibleFor(node)) {
        if (!theApp.m_bConnectionLost)
            AfxMessageBox("非上级任务负责人，不能删除指定任务...");
        return;
    }
    CDataDeleteConfirmDlg confirm(this);
    confirm.ProjectNo = record->code;
    confirm.ProjectName = record->text;
    confirm.ProjectPath = ReadPath(record->code);
    if (confirm.DoModal() != IDOK)
        return;
    const bool hadChildren = m_tree.ItemHasChildren(node) != FALSE;
    const CString name = record->text;
    const bool wasRoot = node == m_rootNode;
    m_bFilling = true;
    m_tree.DeleteItem(node);
    m_bFilling = false;
    if (wasRoot) {
        m_rootNode = CTreeCursor();
        for (int id : {kDivideId, kModifyId, kDeleteId, kMembersId})
            EnableCommand(id, FALSE);
    }
    m_selectedNode = m_tree.GetSelectedItem();
    UpdateCommands();
    COperationLog log;
    log.WriteLog("项目管理", "删除", name, hadChildren ? "删除子项目" : "删除任务");
    Changed = 1;
}

void CAssignProjectTaskDlg::OnMembers() {
    if (ProjectNo.IsEmpty())
        return;
    CProjectTeamDlg team(this);
    team.m_strProjectNo = ProjectNo;
    team.m_strProjectName = ProjectName;
    team.m_bReadOnly = ReadOnly;
    team.m_bWorkGroup = 0;
    team.DoModal();
}
