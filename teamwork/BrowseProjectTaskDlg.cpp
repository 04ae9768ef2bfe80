#include "teamwork/BrowseProjectTaskDlg.h"

#include "core/ComError.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/Menu.h"
#include "projects/ProjectTaskTree.h"

namespace {

constexpr int kTreeId = 1009;
constexpr int kFindEditId = 1001;
constexpr int kFindButtonId = 1002;
constexpr int kExpandButtonId = 1003;
constexpr UINT kExpandCommand = 1;

const vq::DialogTemplate kBrowseTemplate{
    "浏览项目工作任务",
    {vq::Tree(kTreeId, vq::kFill), vq::Label("任务:"), vq::EditBox(kFindEditId, vq::kBeside),
     vq::PushButton(kFindButtonId, "定位", vq::kBeside), vq::PushButton(kExpandButtonId, "展开", vq::kBeside),
     vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消", vq::kBeside)},
    CSize(420, 460)};

constexpr const char* kRootPath = "项目管理";
constexpr const char* kChangePath = "更改任务管理";

} // namespace

BEGIN_MESSAGE_MAP(CBrowseProjectTaskDlg, CDialog)
    ON_NOTIFY(TVN_SELCHANGED, kTreeId, &CBrowseProjectTaskDlg::OnSelChanged)
    ON_NOTIFY(NM_RCLICK, kTreeId, &CBrowseProjectTaskDlg::OnRightClick)
    ON_BN_CLICKED(kFindButtonId, &CBrowseProjectTaskDlg::OnFind)
    ON_BN_CLICKED(kExpandButtonId, &CBrowseProjectTaskDlg::OnExpand)
END_MESSAGE_MAP()

CBrowseProjectTaskDlg::CBrowseProjectTaskDlg(CWnd* parent) : CDialog(kBrowseTemplate, parent) {}

CBrowseProjectTaskDlg::~CBrowseProjectTaskDlg() {
    FreeRecords();
}

void CBrowseProjectTaskDlg::FreeRecords() {
    for (TreeItemData* record : m_records)
        delete record;
    m_records.clear();
}

void CBrowseProjectTaskDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kTreeId, m_tree);
    DDX_Text(pDX, kFindEditId, m_strFindText);
}

BOOL CBrowseProjectTaskDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_pConnection = theApp.m_pConnPDM;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    m_nDatabaseType = theApp.m_nDatabaseType;
    m_strLoginUser = theApp.m_strLoginUser;
    m_images.Create(130, 16, 1, RGB(255, 0, 255));
    m_images.SetBkColor(GetSysColor(COLOR_WINDOW));
    m_tree.SetImageList(&m_images, TVSIL_NORMAL);
    FillTree();
    if (m_preselected.m_item) {
        m_tree.SelectItem(m_preselected);
        m_tree.Expand(m_preselected, TVE_EXPAND);
        m_tree.EnsureVisible(m_preselected);
    }
    GetDlgItem(IDOK)->EnableWindow(m_tree.GetSelectedItem() && m_tree.GetSelectedItem() != m_root.m_item);
    return TRUE;
}

void CBrowseProjectTaskDlg::OnDestroy() {
    FreeRecords();
    CDialog::OnDestroy();
}

CTreeCursor CBrowseProjectTaskDlg::AddNode(CTreeCursor parent, const char* kind, const CString& number,
                                           const CString& name, int image) {
    CString label = name;
    if (m_bShowNumbers)
        label.Format("%s [%s]", name, number);
    CTreeCursor node = m_tree.InsertItem(parent, label, image);
    auto* record = new TreeItemData{kind, number, name};
    m_records.push_back(record);
    m_tree.SetItemData(node, reinterpret_cast<DWORD_PTR>(record));
    if (!m_strTaskNo.IsEmpty() && number.CompareNoCase(m_strTaskNo) == 0)
        m_preselected = node;
    return node;
}

void CBrowseProjectTaskDlg::FillTree() {
    CWaitCursor wait;
    m_tree.DeleteAllItems();
    FreeRecords();
    m_preselected = CTreeCursor();
    m_root = m_tree.InsertItem(CTreeCursor(), "个人相关工作任务...", 0);
    auto* rootRecord = new TreeItemData{"_Tree", "", ""};
    m_records.push_back(rootRecord);
    m_tree.SetItemData(m_root, reinterpret_cast<DWORD_PTR>(rootRecord));

    ReadManagedRows();
    std::vector<Row> projects;
    for (const Row& row : m_managed) {
        Row project;
        if (row.path.CompareNoCase(kRootPath) == 0 || row.path.CompareNoCase(kChangePath) == 0) {
            project = row;
        } else {
            const int slash = row.path.Find('\\');
            project.name = slash >= 0 ? row.path.Left(slash) : row.path;
            project.number = FindNumber(kRootPath, project.name);
        }
        if (project.number.IsEmpty() || project.name.IsEmpty())
            continue;
        bool known = false;
        for (const Row& p : projects)
            known = known || p.name.CompareNoCase(project.name) == 0;
        if (!known)
            projects.push_back(project);
    }
    for (const Row& project : projects) {
        CTreeCursor node = AddNode(m_root, "_Project", project.number, project.name, 2);
        BuildTasks(project.name, node);
    }
    m_managed.clear();
    m_tree.SelectItem(m_root);
    m_tree.Expand(m_root, TVE_EXPAND);
}

void CBrowseProjectTaskDlg::ReadManagedRows() {
    m_managed.clear();
    CString sql;
    sql.Format("SELECT DISTINCT ProjectNo, ProjectName, ProjectPath FROM ProjectManage WHERE %s='%s' ORDER BY "
               "ProjectPath",
               m_nDatabaseType == 2 ? "rtrim(ProjectManager)" : "ProjectManager", SqlQuote(m_strLoginUser));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            Row row{VariantToString(rs->GetCollect(0L)), VariantToString(rs->GetCollect(1L)),
                    VariantToString(rs->GetCollect(2L))};
            if (!row.number.IsEmpty() && !row.name.IsEmpty())
                m_managed.push_back(row);
            rs->MoveNext();
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
        m_managed.clear();
    }
}

CString CBrowseProjectTaskDlg::FindNumber(const CString& path, const CString& name) {
    CString sql;
    const bool oracle = m_nDatabaseType == 2;
    sql.Format("SELECT ProjectNo FROM ProjectManage WHERE %s='%s' AND %s='%s'",
               oracle ? "rtrim(ProjectPath)" : "ProjectPath", SqlQuote(path),
               oracle ? "rtrim(ProjectName)" : "ProjectName", SqlQuote(name));
    return theApp.GetSqlString(sql);
}

std::vector<CBrowseProjectTaskDlg::Row> CBrowseProjectTaskDlg::CollectChildren(const CString& path) {
    std::vector<Row> children;
    for (const Row& row : m_managed) {
        if (row.path.CompareNoCase(kRootPath) == 0)
            continue;
        Row child;
        if (row.path.CompareNoCase(path) == 0) {
            child = row;
        } else if (row.path.GetLength() > path.GetLength() &&
                   row.path.Left(path.GetLength()).CompareNoCase(path) == 0) {
            const CString rest = row.path.Mid(path.GetLength());
            const int slash = rest.Find('\\');
            child.name = slash >= 0 ? rest.Left(slash) : rest;
            if (child.name.IsEmpty())
                continue;
            child.number = FindNumber(path, child.name);
        } else {
            continue;
        }
        child.path = path + child.name + "\\";
        bool known = false;
        for (const Row& c : children)
            known = known || (c.number.CompareNoCase(child.number) == 0 && c.name.CompareNoCase(child.name) == 0);
        if (!known)
            children.push_back(child);
    }
    return children;
}

void CBrowseProjectTaskDlg::BuildTasks(const CString& projectName, CTreeCursor projectNode) {
    // Depth first without recursion: the nodes still to expand wait on a stack that grows as
    // far as the tree needs, so no branch is left unfilled.
    struct Pending {
        CTreeCursor node;
        CString path;
    };
    std::vector<Pending> stack{{projectNode, projectName + "\\"}};
    while (!stack.empty()) {
        const Pending current = stack.back();
        stack.pop_back();
        const std::vector<Row> children = CollectChildren(current.path);
        // Pushed in reverse so that the first child is expanded first.
        std::vector<Pending> added;
        for (const Row& child : children)
            added.push_back({AddNode(current.node, "_ProjectTask", child.number, child.name, 4), child.path});
        for (auto it = added.rbegin(); it != added.rend(); ++it)
            stack.push_back(*it);
    }
}

void CBrowseProjectTaskDlg::OnSelChanged(NMHDR*, LRESULT* result) {
    *result = 0;
    HTREEITEM selected = m_tree.GetSelectedItem();
    GetDlgItem(IDOK)->EnableWindow(selected && selected != m_root.m_item);
}

void CBrowseProjectTaskDlg::OnRightClick(NMHDR*, LRESULT* result) {
    *result = 1;
    CPoint point;
    GetCursorPos(&point);
    const CPoint screen = point;
    m_tree.ScreenToClient(&point);
    HTREEITEM node = m_tree.HitTest(point);
    if (!node)
        return;
    m_tree.SelectItem(node);
    CMenu menu;
    menu.CreatePopupMenu();
    menu.AppendMenu(MF_STRING, kExpandCommand, "展开(&E)");
    if (menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, screen.x, screen.y, this) ==
        static_cast<BOOL>(kExpandCommand))
        OnExpand();
}

void CBrowseProjectTaskDlg::OnFind() {
    CWaitCursor wait;
    UpdateData(TRUE);
    HTREEITEM selected = m_tree.GetSelectedItem();
    if (!selected)
        return;
    projects::FindAndShowBelow(m_tree, selected, m_strFindText);
}

void CBrowseProjectTaskDlg::OnExpand() {
    HTREEITEM item = m_tree.GetSelectedItem();
    if (!item)
        return;
    projects::ExpandSubtree(m_tree, item);
    m_tree.EnsureVisible(item);
}

void CBrowseProjectTaskDlg::OnOK() {
    HTREEITEM item = m_tree.GetSelectedItem();
    if (!item || item == m_root.m_item)
        return;
    const auto* record = reinterpret_cast<const TreeItemData*>(m_tree.GetItemData(item));
    if (!record) {
        AfxMessageBox("不能读取选中内容的属性信息...");
        return;
    }
    m_strTaskNo = record->code;
    m_strTaskName = record->text;
    EndDialog(IDOK);
}
