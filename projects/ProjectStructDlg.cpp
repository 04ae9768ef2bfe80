#include "projects/ProjectStructDlg.h"

#include "core/ComError.h"
#include "core/VqDesignTaskApp.h"
#include "parts/ProductSelectDlg.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/Menu.h"

namespace {

const vq::DialogTemplate kProjectStructTemplate{
    "设计项目结构显示",
    {vq::Label("项目编号"), vq::EditBox(CProjectStructDlg::kProjectNoId, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
     vq::Label("项目名称", vq::kBeside),
     vq::EditBox(CProjectStructDlg::kProjectNameId, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
     vq::Tree(CProjectStructDlg::kTreeId, vq::kFill),
     vq::PushButton(CProjectStructDlg::kPickProjectId, "选择项目..."),
     vq::PushButton(CProjectStructDlg::kExpandId, "展开", vq::kBeside),
     vq::PushButton(IDCANCEL, "退出", vq::kBeside)},
    CSize(460, 480)};

constexpr UINT kExpandCommand = 1;

} // namespace

BEGIN_MESSAGE_MAP(CProjectStructDlg, CDialog)
    ON_BN_CLICKED(CProjectStructDlg::kPickProjectId, &CProjectStructDlg::OnPickProject)
    ON_BN_CLICKED(CProjectStructDlg::kExpandId, &CProjectStructDlg::OnExpand)
    ON_NOTIFY(TVN_SELCHANGED, CProjectStructDlg::kTreeId, &CProjectStructDlg::OnSelChanged)
    ON_NOTIFY(NM_RCLICK, CProjectStructDlg::kTreeId, &CProjectStructDlg::OnTreeRightClick)
END_MESSAGE_MAP()

CProjectStructDlg::CProjectStructDlg(CWnd* parent) : CDialog(kProjectStructTemplate, parent) {}

CProjectStructDlg::~CProjectStructDlg() {
    FreeRecords();
}

void CProjectStructDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kTreeId, m_tree);
}

void CProjectStructDlg::FreeRecords() {
    DeleteTreeItemData(m_arrRecords);
}

void CProjectStructDlg::OnDestroy() {
    FreeRecords();
    CDialog::OnDestroy();
}

BOOL CProjectStructDlg::OnInitDialog() {
    CDialog::OnInitDialog();
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
    m_bFilling = false;
    return TRUE;
}

CTreeCursor CProjectStructDlg::AddNode(CTreeCursor parent, const CString& text, int image, const CString& kind,
                                       const CString& code, const CString& name) {
    return projects::AddRecordNode(m_tree, m_arrRecords, parent, text, image, kind, code, name);
}

void CProjectStructDlg::BuildTree() {
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
    {
        CWaitCursor wait;
        ReadWorkRows();
    }
    projects::TaskRowsByPath byPath(m_tasks);
    m_pTasksByPath = &byPath;
    AddTasks(m_rootNode, ProjectName + "\\");
    m_pTasksByPath = nullptr;

    m_tree.Expand(m_rootNode, TVE_EXPAND);
    m_tree.SelectItem(m_rootNode);
    m_selectedNode = m_rootNode;
    m_bFilling = filling;
}

void CProjectStructDlg::ReadWorkRows() {
    m_works.clear();
    m_worksByParent.clear();
    CString sql;
    sql.Format("SELECT UpWorkID, WorkID, WorkName, WorkState, WorkType FROM TeamWorkManage WHERE TaskNo IN (SELECT "
               "ProjectNo FROM ProjectManage WHERE ProjectNo LIKE '%s%%'%s OR ProjectNo='%s') ORDER BY UpWorkID, "
               "WorkID",
               SqlLikeLiteral(ProjectNo + "-"), kSqlLikeEscape, SqlQuote(ProjectNo));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, theApp.m_pConnPDM, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            WorkRow row;
            row.upWorkId = VariantToString(rs->GetCollect(0L));
            row.workId = VariantToString(rs->GetCollect(1L));
            row.name = VariantToString(rs->GetCollect(2L));
            row.state = VariantToString(rs->GetCollect(3L));
            row.type = VariantToString(rs->GetCollect(4L));
            m_works.push_back(row);
            rs->MoveNext();
        }
        if (theApp.m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        theApp.ReportSqlError(e, sql);
    }
    for (int i = 0; i < static_cast<int>(m_works.size()); ++i)
        m_worksByParent[projects::GroupKey(m_works[i].upWorkId)].push_back(i);
}

void CProjectStructDlg::AddTasks(CTreeCursor parent, const CString& path) {
    for (int index : m_pTasksByPath->Children(path)) {
        const projects::TaskRow& task = m_tasks[index];
        CTreeCursor node = projects::AddTaskNode(m_tree, m_arrRecords, parent, task);
        std::set<std::string> placed;
        AddWorks(node, task.number, placed);
        AddTasks(node, path + task.name + "\\");
    }
}

void CProjectStructDlg::AddWorks(CTreeCursor parent, const CString& key, std::set<std::string>& placed) {
    auto found = m_worksByParent.find(projects::GroupKey(key));
    if (found == m_worksByParent.end())
        return;
    for (int index : found->second) {
        const WorkRow& work = m_works[index];
        // A work that names itself or an ancestor as its parent is shown once, not endlessly.
        if (!placed.insert(projects::GroupKey(work.workId)).second)
            continue;
        const bool real = work.type == "W";
        CTreeCursor node = AddNode(parent, projects::TaskNodeText(work.name, work.workId),
                                   real ? projects::kRealWorkImage : projects::kWorkImage, real ? "_Task" : "_Task_V",
                                   work.workId, work.name);
        AddWorks(node, work.workId, placed);
    }
}

void CProjectStructDlg::OnPickProject() {
    CProductSelectDlg pick(this);
    pick.m_nMode = 1;
    pick.m_strCode = ProjectNo;
    if (pick.DoModal() != IDOK)
        return;
    ProjectNo = pick.m_strCode;
    ProjectName = pick.m_strName;
    SetDlgItemText(kProjectNoId, ProjectNo);
    SetDlgItemText(kProjectNameId, ProjectName);
    BuildTree();
}

void CProjectStructDlg::OnExpand() {
    CWaitCursor wait;
    CTreeCursor node = m_tree.GetSelectedItem();
    if (!node.m_item)
        return;
    projects::ExpandAndShow(m_tree, node);
}

void CProjectStructDlg::OnSelChanged(NMHDR* pNMHDR, LRESULT* pResult) {
    *pResult = 0;
    if (m_bFilling)
        return;
    m_selectedNode = m_tree.GetSelectedItem();
}

void CProjectStructDlg::OnTreeRightClick(NMHDR* pNMHDR, LRESULT* pResult) {
    *pResult = 1;
    CPoint screen;
    CTreeCursor node = projects::SelectNodeAtCursor(m_tree, screen);
    if (!node.m_item)
        return;
    m_selectedNode = node;
    CMenu menu;
    menu.CreatePopupMenu();
    menu.AppendMenu(MF_STRING, kExpandCommand, "展开(&P)");
    if (menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, screen.x, screen.y, this) ==
        kExpandCommand) {
        projects::ExpandAndShow(m_tree, node);
    }
}
