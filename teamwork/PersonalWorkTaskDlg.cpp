#include "teamwork/PersonalWorkTaskDlg.h"

#include "core/ComError.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/ui/DC.h"
#include "platform/ui/DataExchange.h"
#include "projects/ProjectTaskTree.h"

#include <vector>

namespace {

constexpr int kTreeId = 1009;
constexpr int kFindEditId = 1001;
constexpr int kFindButtonId = 1002;
constexpr int kExpandButtonId = 1003;

const vq::DialogTemplate kPersonalWorkTaskTemplate{
    "浏览个人工作任务",
    {vq::Tree(kTreeId, vq::kFill), vq::Label("任务:"), vq::EditBox(kFindEditId, vq::kBeside),
     vq::PushButton(kFindButtonId, "定位", vq::kBeside), vq::PushButton(kExpandButtonId, "展开", vq::kBeside),
     vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消", vq::kBeside)}};

constexpr const char* kTopPath = "项目管理";
constexpr const char* kChangePath = "更改任务管理";

// Item data of the nodes.
enum NodeKind : DWORD_PTR { kRootNode = 0, kProjectNode = 1, kTaskNode = 2, kWorkNode = 3 };

bool ContainsNoCase(const CStringArray& list, const CString& text) {
    for (int i = 0; i < list.GetSize(); ++i) {
        if (list[i].CompareNoCase(text) == 0)
            return true;
    }
    return false;
}

} // namespace

BEGIN_MESSAGE_MAP(CPersonalWorkTaskDlg, CDialog)
    ON_NOTIFY(TVN_SELCHANGED, kTreeId, &CPersonalWorkTaskDlg::OnSelChanged)
    ON_NOTIFY(NM_DBLCLK, kTreeId, &CPersonalWorkTaskDlg::OnTreeDblClk)
    ON_BN_CLICKED(kFindButtonId, &CPersonalWorkTaskDlg::OnFind)
    ON_BN_CLICKED(kExpandButtonId, &CPersonalWorkTaskDlg::OnExpand)
END_MESSAGE_MAP()

CPersonalWorkTaskDlg::CPersonalWorkTaskDlg(CWnd* parent)
    : CDialog(kPersonalWorkTaskTemplate, parent), m_stack(std::make_unique<CTreeStack>()) {}

void CPersonalWorkTaskDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kTreeId, m_tree);
    DDX_Text(pDX, kFindEditId, m_strFindText);
}

BOOL CPersonalWorkTaskDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_pConnection = theApp.m_pConnPDM;
    m_nDatabaseType = theApp.m_nDatabaseType;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    m_strLoginUser = theApp.m_strLoginUser;
    m_images.Create(130, 16, 1, RGB(255, 0, 255));
    m_images.SetBkColor(GetSysColor(COLOR_WINDOW));
    m_tree.SetImageList(&m_images, TVSIL_NORMAL);

    {
        CWaitCursor wait;
        m_bLocated = false;
        if (m_nTreeMode == 1)
            FillManagedProjects();
        else
            FillManagedWorkTasks();
    }
    m_tree.Expand(m_rootNode, TVE_EXPAND);
    CTreeCursor target = m_bLocated ? m_currentNode : m_rootNode;
    if (m_bLocated)
        m_tree.Expand(target, TVE_EXPAND);
    m_tree.SelectItem(target);
    m_tree.EnsureVisible(target);
    m_currentNode = target;
    UpdateChoice();
    return TRUE;
}

CTreeCursor CPersonalWorkTaskDlg::AddNode(CTreeCursor parent, const CString& name, const CString& id,
                                          int image, DWORD_PTR data) {
    CString text;
    text.Format("%s [%s]", name, id);
    CTreeCursor node = m_tree.InsertItem(parent, text, image);
    m_tree.SetItemData(node, data);
    return node;
}

void CPersonalWorkTaskDlg::LocateIfWanted(const CString& id, CTreeCursor node) {
    if (!m_strWorkID.IsEmpty() && id.CompareNoCase(m_strWorkID) == 0) {
        m_currentNode = node;
        m_bLocated = true;
    }
}

CString CPersonalWorkTaskDlg::GetTopProjectName(const CString& name, const CString& path) {
    if (path.CompareNoCase(kTopPath) == 0)
        return name;
    int slash = path.Find('\\');
    return slash >= 0 ? path.Left(slash) : CString();
}

void CPersonalWorkTaskDlg::FillManagedProjects() {
    m_tree.DeleteAllItems();
    m_rootNode = m_tree.InsertItem(CTreeCursor(), "所有工作任务...", 0);
    m_tree.SetItemData(m_rootNode, kRootNode);
    m_arrProjectNo.RemoveAll();
    m_arrProjectName.RemoveAll();
    m_arrProjectPath.RemoveAll();
    m_arrTaskType.RemoveAll();

    CString sql;
    sql.Format(
        "SELECT ProjectNo, ProjectName, ProjectPath, PreendedTime, WorkState, TaskType FROM ProjectManage "
        "WHERE %s='%s' ORDER BY ProjectNo",
        m_nDatabaseType == 2 ? "rtrim(ProjectManager)" : "ProjectManager", SqlQuote(m_strLoginUser));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            CString no = VariantToString(rs->GetCollect(0L));
            CString name = VariantToString(rs->GetCollect(1L));
            if (!no.IsEmpty() && !name.IsEmpty()) {
                m_arrProjectNo.Add(no);
                m_arrProjectName.Add(name);
                m_arrProjectPath.Add(VariantToString(rs->GetCollect(2L)));
                m_arrTaskType.Add(VariantToString(rs->GetCollect(5L)));
            }
            rs->MoveNext();
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        theApp.ReportSqlError(e, sql);
    }

    // The top projects of the kept rows, each once, in the order first met.
    CStringArray topNames, topNumbers;
    for (int i = 0; i < m_arrProjectNo.GetSize(); ++i) {
        const CString& path = m_arrProjectPath[i];
        CString name, number;
        if (path.CompareNoCase(kTopPath) == 0 || path.CompareNoCase(kChangePath) == 0) {
            name = m_arrProjectName[i];
            number = m_arrProjectNo[i];
        } else {
            name = GetTopProjectName(m_arrProjectName[i], path);
            number = FindTaskByNameAndPath(name, kTopPath);
        }
        if (name.IsEmpty() || number.IsEmpty() || ContainsNoCase(topNames, name))
            continue;
        topNames.Add(name);
        topNumbers.Add(number);
    }
    for (int i = 0; i < topNames.GetSize(); ++i) {
        CTreeCursor node = AddNode(m_rootNode, topNames[i], topNumbers[i], 2, kProjectNode);
        LocateIfWanted(topNumbers[i], node);
        LoadProjectWorks(topNumbers[i]);
        BuildTaskTree(topNames[i], node);
        AddWorks(topNumbers[i], node);
    }
}

CString CPersonalWorkTaskDlg::FindTaskByNameAndPath(const CString& name, const CString& path) {
    m_strFoundType.Empty();
    CString sql;
    if (m_nDatabaseType == 2)
        sql.Format("SELECT ProjectNo, PreendedTime, WorkState, TaskType FROM ProjectManage WHERE "
                   "rtrim(ProjectPath)='%s' "
                   "AND rtrim(ProjectName)='%s'",
                   SqlQuote(path), SqlQuote(name));
    else
        sql.Format("SELECT ProjectNo, PreendedTime, WorkState, TaskType FROM ProjectManage WHERE "
                   "ProjectPath='%s' AND "
                   "ProjectName='%s'",
                   SqlQuote(path), SqlQuote(name));
    CString number;
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        if (!rs->IsEOF()) {
            number = VariantToString(rs->GetCollect(0L));
            m_strFoundType = VariantToString(rs->GetCollect(3L));
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        theApp.ReportSqlError(e, sql);
    }
    return number;
}

void CPersonalWorkTaskDlg::CollectChildren(const CString& path) {
    m_arrChildNo.RemoveAll();
    m_arrChildName.RemoveAll();
    m_arrChildType.RemoveAll();
    for (int i = 0; i < m_arrProjectNo.GetSize(); ++i) {
        const CString& rowPath = m_arrProjectPath[i];
        if (rowPath.CompareNoCase(kTopPath) == 0)
            continue;
        CString number, name, type;
        if (rowPath.CompareNoCase(path) == 0) {
            number = m_arrProjectNo[i];
            name = m_arrProjectName[i];
            type = m_arrTaskType[i];
        } else if (rowPath.GetLength() > path.GetLength() &&
                   rowPath.Left(path.GetLength()).CompareNoCase(path) == 0) {
            // A row deeper down: the component right below the path is a direct child.
            CString rest = rowPath.Mid(path.GetLength());
            int slash = rest.Find('\\');
            name = slash >= 0 ? rest.Left(slash) : rest;
            if (name.IsEmpty())
                continue;
            number = FindTaskByNameAndPath(name, path);
            type = m_strFoundType;
        } else {
            continue;
        }
        if (number.IsEmpty() || ContainsNoCase(m_arrChildNo, number))
            continue;
        m_arrChildNo.Add(number);
        m_arrChildName.Add(name);
        m_arrChildType.Add(type);
    }
}

void CPersonalWorkTaskDlg::BuildTaskTree(const CString& projectName, CTreeCursor projectNode) {
    CString path = projectName + "\\";
    CTreeCursor current = projectNode;
    m_stack->Init();
    while (!path.IsEmpty()) {
        CollectChildren(path);
        // Copies: the walk below collects children again.
        CStringArray numbers, names, types;
        numbers.Copy(m_arrChildNo);
        names.Copy(m_arrChildName);
        types.Copy(m_arrChildType);
        int count = static_cast<int>(numbers.GetSize());
        if (count == 0) {
            if (m_stack->IsEmpty()) {
                path.Empty();
            } else {
                CTreeStackItem top = m_stack->GetTop();
                m_stack->Drop();
                current = top.m_cursor;
                path = top.m_code;
            }
            continue;
        }
        std::vector<CTreeCursor> nodes;
        for (int i = 0; i < count; ++i) {
            CTreeCursor node = AddNode(current, names[i], numbers[i], types[i] == "T" ? 6 : 4, kTaskNode);
            LocateIfWanted(numbers[i], node);
            AddWorks(numbers[i], node);
            nodes.push_back(node);
        }
        for (int i = 0; i < count - 1; ++i)
            m_stack->Push(nodes[i], path + names[i] + "\\", names[i], 0);
        current = nodes[count - 1];
        path = path + names[count - 1] + "\\";
    }
}

void CPersonalWorkTaskDlg::LoadProjectWorks(const CString& projectNo) {
    m_arrUpWorkID.RemoveAll();
    m_arrWorkID.RemoveAll();
    m_arrWorkName.RemoveAll();
    m_arrWorkState.RemoveAll();
    m_arrWorkType.RemoveAll();
    m_arrWorkManager.RemoveAll();
    CString sql;
    sql.Format(
        "SELECT UpWorkID, WorkID, WorkName, WorkState, WorkType, Manager FROM TeamWorkManage WHERE TaskNo IN "
        "(SELECT ProjectNo FROM ProjectManage WHERE ProjectNo LIKE '%s-%%'%s OR ProjectNo='%s') ORDER BY "
        "UpWorkID, WorkID",
        SqlLikeLiteral(projectNo), kSqlLikeEscape, SqlQuote(projectNo));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            m_arrUpWorkID.Add(VariantToString(rs->GetCollect(0L)));
            m_arrWorkID.Add(VariantToString(rs->GetCollect(1L)));
            m_arrWorkName.Add(VariantToString(rs->GetCollect(2L)));
            m_arrWorkState.Add(VariantToString(rs->GetCollect(3L)));
            m_arrWorkType.Add(VariantToString(rs->GetCollect(4L)));
            m_arrWorkManager.Add(VariantToString(rs->GetCollect(5L)));
            rs->MoveNext();
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

void CPersonalWorkTaskDlg::AddWorks(const CString& parentId, CTreeCursor parentNode) {
    if (!m_bShowWorks)
        return;
    bool inRun = false;
    for (int i = 0; i < m_arrWorkID.GetSize(); ++i) {
        if (m_arrUpWorkID[i].CompareNoCase(parentId) != 0) {
            if (inRun)
                break;
            continue;
        }
        inRun = true;
        const CString id = m_arrWorkID[i];
        bool own = m_arrWorkManager[i].CompareNoCase(m_strLoginUser) == 0;
        bool shown = m_arrWorkType[i] == "W" ? own : (own || HasOwnWorkBelow(id));
        if (!shown)
            continue;
        bool real = m_arrWorkType[i] == "W";
        CTreeCursor node =
            AddNode(parentNode, m_arrWorkName[i], id, real ? 10 : 8, real ? kWorkNode : kTaskNode);
        LocateIfWanted(id, node);
        AddWorks(id, node);
    }
}

bool CPersonalWorkTaskDlg::HasOwnWorkBelow(const CString& workId) const {
    bool inRun = false;
    for (int i = 0; i < m_arrWorkID.GetSize(); ++i) {
        if (m_arrUpWorkID[i].CompareNoCase(workId) != 0) {
            if (inRun)
                break;
            continue;
        }
        inRun = true;
        // A work that names itself as its parent would never end the search.
        if (m_arrWorkID[i].CompareNoCase(workId) == 0)
            continue;
        if (m_arrWorkType[i] == "W" && m_arrWorkManager[i].CompareNoCase(m_strLoginUser) == 0)
            return true;
        if (HasOwnWorkBelow(m_arrWorkID[i]))
            return true;
    }
    return false;
}

void CPersonalWorkTaskDlg::FillManagedWorkTasks() {
    m_tree.DeleteAllItems();
    m_rootNode = m_tree.InsertItem(CTreeCursor(), "所有工作任务...", 0);
    m_tree.SetItemData(m_rootNode, kRootNode);

    CString sql;
    if (m_nDatabaseType == 2)
        sql.Format("SELECT ProjectNo, ProjectName, ProjectPath, TaskType FROM ProjectManage WHERE "
                   "rtrim(ProjectNo) IN "
                   "(SELECT rtrim(TaskNo) FROM TeamWorkManage WHERE Manager='%s') ORDER BY ProjectNo",
                   SqlQuote(m_strLoginUser));
    else
        sql.Format("SELECT ProjectNo, ProjectName, ProjectPath, TaskType FROM ProjectManage WHERE ProjectNo "
                   "IN (SELECT "
                   "TaskNo FROM TeamWorkManage WHERE Manager='%s') ORDER BY ProjectNo",
                   SqlQuote(m_strLoginUser));
    CStringArray numbers, names, paths, types;
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            numbers.Add(VariantToString(rs->GetCollect(0L)));
            names.Add(VariantToString(rs->GetCollect(1L)));
            paths.Add(VariantToString(rs->GetCollect(2L)));
            types.Add(VariantToString(rs->GetCollect(3L)));
            rs->MoveNext();
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }

    // A row filed directly in a system folder (such as "更改任务管理") is its own top project.
    auto topNameOf = [&](int i) {
        const CString& path = paths[i];
        if (path.Find('\\') < 0 && path.CompareNoCase(kTopPath) != 0)
            return names[i];
        return GetTopProjectName(names[i], path);
    };
    CStringArray topNames;
    for (int i = 0; i < numbers.GetSize(); ++i) {
        CString top = topNameOf(i);
        if (!top.IsEmpty() && !ContainsNoCase(topNames, top))
            topNames.Add(top);
    }
    for (int t = 0; t < topNames.GetSize(); ++t) {
        const CString& top = topNames[t];
        CString query;
        query.Format("SELECT ProjectNo FROM ProjectManage WHERE ProjectName='%s' AND ProjectPath='项目管理'",
                     SqlQuote(top));
        CString topNumber = theApp.GetSqlString(query);
        bool systemFolderRow = false;
        for (int i = 0; i < numbers.GetSize(); ++i) {
            if (topNameOf(i).CompareNoCase(top) == 0 && paths[i].Find('\\') < 0 &&
                paths[i].CompareNoCase(kTopPath) != 0) {
                topNumber = numbers[i];
                systemFolderRow = true;
            }
        }
        LoadProjectWorks(topNumber);
        CTreeCursor projectNode = AddNode(m_rootNode, top, topNumber, 2, kProjectNode);
        for (int i = 0; i < numbers.GetSize(); ++i) {
            if (topNameOf(i).CompareNoCase(top) != 0)
                continue;
            if (types[i] == "S" || systemFolderRow) {
                AddWorks(numbers[i], projectNode);
            } else {
                CTreeCursor taskNode =
                    AddNode(projectNode, names[i], numbers[i], types[i] == "T" ? 6 : 4, kTaskNode);
                AddWorks(numbers[i], taskNode);
            }
        }
    }
}

void CPersonalWorkTaskDlg::UpdateChoice() {
    m_strChosenNo.Empty();
    m_strChosenName.Empty();
    m_strWorkID.Empty();
    m_strWorkName.Empty();
    m_bValidChoice = false;
    HTREEITEM item = m_tree.GetSelectedItem();
    m_currentNode = CTreeCursor(item, &m_tree);
    if (item) {
        CString text = m_tree.GetItemText(item);
        int at = text.Find(" [");
        CString name = at >= 0 ? text.Left(at) : text;
        CString id = at >= 0 ? text.Mid(at + 2, text.GetLength() - at - 3) : CString();
        DWORD_PTR kind = m_tree.GetItemData(item);
        if (kind == kWorkNode) {
            m_strWorkName = name;
            m_strWorkID = id;
            m_bValidChoice = true;
        } else if (kind == kProjectNode || kind == kTaskNode) {
            m_strChosenName = name;
            m_strChosenNo = id;
            m_bValidChoice = !(m_bShowWorks && !m_bTasksSelectable);
        }
    }
    // An empty identifier is no choice: it would start nothing for the opener.
    if (m_bValidChoice && m_strWorkID.IsEmpty() && m_strChosenNo.IsEmpty())
        m_bValidChoice = false;
    if (CWnd* ok = GetDlgItem(IDOK))
        ok->EnableWindow(m_bValidChoice);
}

void CPersonalWorkTaskDlg::OnSelChanged(NMHDR*, LRESULT* result) {
    UpdateChoice();
    *result = 0;
}

void CPersonalWorkTaskDlg::OnTreeDblClk(NMHDR*, LRESULT* result) {
    if (m_bValidChoice)
        OnOK();
    *result = 0;
}

void CPersonalWorkTaskDlg::OnOK() {
    if (!m_bValidChoice)
        return;
    EndDialog(IDOK);
}

void CPersonalWorkTaskDlg::OnFind() {
    UpdateData(TRUE);
    HTREEITEM selected = m_tree.GetSelectedItem();
    if (!selected)
        return;
    projects::FindAndShowBelow(m_tree, selected, m_strFindText);
}

void CPersonalWorkTaskDlg::OnExpand() {
    HTREEITEM item = m_currentNode;
    if (!item)
        return;
    projects::ExpandSubtree(m_tree, item);
    m_tree.EnsureVisible(item);
}
