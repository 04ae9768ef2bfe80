#include "teamwork/TeamGroupFileManageDlg.h"

#include "controls/ProgressDlg.h"
#include "controls/TreeItemData.h"
#include "core/ComError.h"
#include "core/DialogSeams.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/Menu.h"
#include "projects/ProjectTaskTree.h"
#include "teamwork/DocFileItem.h"
#include "teamwork/WorkDocAuditInfo.h"
#include "teamwork/WorkDocPropertyDlg.h"
#include "teamwork/WorkDocumentBrowse.h"

#include <algorithm>

namespace {

using D = CTeamGroupFileManageDlg;

const vq::DialogTemplate kGroupFileTemplate{
    "工作组文档管理",
    {vq::Tree(D::kTreeId, vq::kFill), vq::ReportList(D::kListId, vq::kBeside | vq::kFill, LVS_REPORT | LVS_SHOWSELALWAYS),
     vq::PushButton(D::kPropertiesId, "文档属性..."), vq::PushButton(D::kAuditFlowId, "评审流程...", vq::kBeside),
     vq::PushButton(D::kAuditResultId, "评审结果...", vq::kBeside), vq::PushButton(D::kBrowseId, "浏览...", vq::kBeside),
     vq::PushButton(IDCANCEL, "退出", vq::kBeside)},
    CSize(960, 520)};

const vq::TemplateRegistration kGroupFileRegistration(D::IDD, kGroupFileTemplate);

const std::pair<const char*, int> kColumns[] = {{"序号", 60},   {"任务编号", 120}, {"名称", 120},
                                                {"大小", 60},   {"类型", 140},     {"状态", 60},
                                                {"修改时间", 140}, {"对应零部件", 110}, {"负责人", 90}};
constexpr int kNameColumn = 2;

constexpr char kProjectTaskKind[] = "_ProjectTask";
constexpr char kTaskKind[] = "_Task";
constexpr char kTaskVKind[] = "_Task_V";
constexpr char kPartKind[] = "_Part";
constexpr char kUPartKind[] = "_U_Part";
constexpr char kBPartKind[] = "_B_Part";

constexpr int kRootImage = 6;
constexpr int kTaskVImage = 8;
constexpr int kTaskImage = 10;
constexpr int kLoadedPartImage = 16;
constexpr int kPartImage = 18;
constexpr int kBPartImage = 20;
constexpr int kUPartImage = 22;

constexpr char kNoRecord[] = "无文档属性信息，不能进行浏览...";

bool IsPartKind(const CString& kind) {
    return kind == kPartKind || kind == kUPartKind || kind == kBPartKind;
}

int PartImage(const CString& kind) {
    if (kind == kBPartKind)
        return kBPartImage;
    if (kind == kUPartKind)
        return kUPartImage;
    return kPartImage;
}

} // namespace

BEGIN_MESSAGE_MAP(CTeamGroupFileManageDlg, CDialog)
    ON_BN_CLICKED(CTeamGroupFileManageDlg::kPropertiesId, &CTeamGroupFileManageDlg::OnProperties)
    ON_BN_CLICKED(CTeamGroupFileManageDlg::kAuditFlowId, &CTeamGroupFileManageDlg::OnAuditFlow)
    ON_BN_CLICKED(CTeamGroupFileManageDlg::kAuditResultId, &CTeamGroupFileManageDlg::OnAuditResult)
    ON_BN_CLICKED(CTeamGroupFileManageDlg::kBrowseId, &CTeamGroupFileManageDlg::OnBrowse)
    ON_NOTIFY(NM_DBLCLK, CTeamGroupFileManageDlg::kListId, &CTeamGroupFileManageDlg::OnListDblClk)
    ON_NOTIFY(LVN_ITEMCHANGED, CTeamGroupFileManageDlg::kListId, &CTeamGroupFileManageDlg::OnListItemChanged)
    ON_NOTIFY(TVN_SELCHANGED, CTeamGroupFileManageDlg::kTreeId, &CTeamGroupFileManageDlg::OnTreeSelChanged)
    ON_NOTIFY(NM_RCLICK, CTeamGroupFileManageDlg::kTreeId, &CTeamGroupFileManageDlg::OnTreeRClick)
END_MESSAGE_MAP()

CTeamGroupFileManageDlg::CTeamGroupFileManageDlg(CWnd* parent)
    : CDialog(IDD, parent), m_partStack(std::make_unique<CTreeStack>()) {}

CTeamGroupFileManageDlg::~CTeamGroupFileManageDlg() {
    DeleteTreeItemData(m_nodeRecords);
    ClearRows();
}

CString CTeamGroupFileManageDlg::NodeText(const CString& name, const CString& code) {
    CString text;
    text.Format("%s [%s]", name, code);
    return text;
}

void CTeamGroupFileManageDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kListId, m_list);
    DDX_Control(pDX, kTreeId, m_tree);
}

BOOL CTeamGroupFileManageDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_pConnection = theApp.m_pConnPDM;
    m_nDatabaseType = theApp.m_nDatabaseType;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    CenterWindow();
    m_treeImages.Create(348, 16, 1, RGB(255, 0, 255));
    m_tree.SetImageList(&m_treeImages, TVSIL_NORMAL);
    m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    m_list.SetImageList(CSysImageList::GetImageList(FALSE), LVSIL_NORMAL);
    m_list.SetImageList(CSysImageList::GetImageList(TRUE), LVSIL_SMALL);
    int column = 0;
    for (const auto& [heading, width] : kColumns)
        m_list.InsertColumn(column++, heading, LVCFMT_LEFT, width);

    m_bBusy = 1;
    if (TaskNo.IsEmpty()) {
        m_tree.DeleteAllItems();
        DeleteTreeItemData(m_nodeRecords);
        m_rootNode = AddNode(CTreeCursor(), "请选择指定的工作组任务...", kRootImage, kProjectTaskKind, "", "");
    } else {
        CWaitCursor wait;
        BuildTree();
    }
    m_bBusy = 0;
    m_tree.Expand(m_rootNode, TVE_EXPAND);
    m_tree.SelectItem(m_rootNode);
    m_selectedNode = m_rootNode;
    return TRUE;
}

void CTeamGroupFileManageDlg::OnCancel() {
    CDialog::OnCancel();
}

void CTeamGroupFileManageDlg::PostNcDestroy() {
    DeleteTreeItemData(m_nodeRecords);
    ClearRows();
    m_pConnection = nullptr;
    CDialog::PostNcDestroy();
}

CTreeCursor CTeamGroupFileManageDlg::AddNode(CTreeCursor parent, const CString& text, int image,
                                             const CString& kind, const CString& code, const CString& name) {
    CTreeCursor node = m_tree.InsertItem(parent, text, image);
    auto* record = new TreeItemData;
    record->kind = kind;
    record->code = code;
    record->text = name;
    m_nodeRecords.Add(record);
    m_tree.SetItemData(node, reinterpret_cast<DWORD_PTR>(record));
    return node;
}

TreeItemData* CTeamGroupFileManageDlg::NodeRecord(HTREEITEM item) {
    return item ? reinterpret_cast<TreeItemData*>(m_tree.GetItemData(item)) : nullptr;
}

// --- The tree -------------------------------------------------------------------------------------

void CTeamGroupFileManageDlg::ReadProjectTask() {
    const bool oracle = m_nDatabaseType == 2;
    const char* format = nullptr;
    if (!ByWorkID)
        format = oracle ? "SELECT ProjectNo, ProjectName, ProjectPath, ProjectManager FROM ProjectManage WHERE "
                          "rtrim(ProjectNo)='%s'"
                        : "SELECT ProjectNo, ProjectName, ProjectPath, ProjectManager FROM ProjectManage WHERE "
                          "ProjectNo='%s'";
    else
        format = oracle ? "SELECT ProjectNo, ProjectName, ProjectPath, ProjectManager FROM ProjectManage WHERE "
                          "rtrim(ProjectNo) IN (SELECT TaskNo FROM TeamWorkManage WHERE WorkID='%s')"
                        : "SELECT ProjectNo, ProjectName, ProjectPath, ProjectManager FROM ProjectManage WHERE "
                          "ProjectNo IN (SELECT TaskNo FROM TeamWorkManage WHERE WorkID='%s')";
    CString sql;
    sql.Format(format, SqlQuote(TaskNo));
    m_strProjectTaskNo = TaskNo;
    CString path;
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        if (!rs->IsEOF()) {
            m_strProjectTaskNo = VariantToString(rs->GetCollect(0L));
            m_strTaskName = VariantToString(rs->GetCollect(1L));
            path = VariantToString(rs->GetCollect(2L));
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
    if (path == "项目管理") {
        m_strProjectName = m_strTaskName;
    } else {
        const int slash = path.Find('\\');
        m_strProjectName = slash > 0 ? path.Left(slash) : path;
    }
    sql.Format("SELECT ProjectNo FROM ProjectManage WHERE ProjectName='%s' AND ProjectPath='项目管理'",
               SqlQuote(m_strProjectName));
    m_strProjectNo = theApp.GetSqlString(sql);
}

void CTeamGroupFileManageDlg::ReadWorkRows() {
    CStringArray* columns[] = {&m_arrUpWorkID, &m_arrWorkID, &m_arrWorkName, &m_arrWorkState, &m_arrWorkType};
    for (CStringArray* column : columns)
        column->RemoveAll();
    m_worksByParent.clear();
    CString sql;
    sql.Format("SELECT UpWorkID, WorkID, WorkName, WorkState, WorkType FROM TeamWorkManage WHERE TaskNo='%s' "
               "ORDER BY UpWorkID, WorkID",
               SqlQuote(m_strProjectTaskNo));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            long index = 0;
            for (CStringArray* column : columns)
                column->Add(VariantToString(rs->GetCollect(index++)));
            rs->MoveNext();
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
    for (int i = 0; i < m_arrUpWorkID.GetSize(); ++i)
        m_worksByParent[projects::GroupKey(m_arrUpWorkID[i])].push_back(i);
}

void CTeamGroupFileManageDlg::BuildTree() {
    m_tree.DeleteAllItems();
    DeleteTreeItemData(m_nodeRecords);
    ReadProjectTask();
    CString text;
    text.Format("项目：%s[%s] 下的任务：%s[%s]...", m_strProjectName, m_strProjectNo, m_strTaskName, TaskNo);
    m_rootNode = AddNode(CTreeCursor(), text, kRootImage, kProjectTaskKind, TaskNo, m_strTaskName);
    ReadWorkRows();
    std::vector<CString> path{TaskNo};
    AddWorkNodes(m_rootNode, TaskNo, path);
}

// The work tasks whose UpWorkID is parentId, each followed by its parts and then its own
// sub-work tasks. path holds the ids from the root down: a work that names one of them as its
// parent again (a damaged chain) is not followed a second time.
void CTeamGroupFileManageDlg::AddWorkNodes(CTreeCursor parent, const CString& parentId, std::vector<CString>& path) {
    const auto found = m_worksByParent.find(projects::GroupKey(parentId));
    if (found == m_worksByParent.end())
        return;
    for (const int i : found->second) {
        const CString workId = m_arrWorkID[i];
        const bool onPath = std::any_of(path.begin(), path.end(),
                                        [&workId](const CString& id) { return id.CompareNoCase(workId) == 0; });
        if (onPath)
            continue;
        const bool groupWork = m_arrWorkType[i].CompareNoCase("W") != 0;
        CTreeCursor node = AddNode(parent, NodeText(m_arrWorkName[i], workId), groupWork ? kTaskVImage : kTaskImage,
                                   groupWork ? kTaskVKind : kTaskKind, workId, m_arrWorkName[i]);
        AddWorkParts(node, workId);
        m_tree.Expand(node, TVE_EXPAND);
        path.push_back(workId);
        AddWorkNodes(node, workId, path);
        path.pop_back();
    }
}

CTreeStackItem CTeamGroupFileManageDlg::PopPart() {
    CTreeStackItem item = m_partStack->GetTop();
    m_partStack->Drop();
    return item;
}

// True when the code is that of the node or of a part node above it: the part rows lead back
// to a part already on the way down, and expanding it again would never end.
bool CTeamGroupFileManageDlg::IsOnOwnPath(CTreeCursor node, const CString& code) {
    for (CTreeCursor above = node.GetParent(); above.m_item; above = above.GetParent()) {
        const TreeItemData* record = NodeRecord(above);
        if (!record || !IsPartKind(record->kind))
            return false;
        if (record->code.CompareNoCase(code) == 0)
            return true;
    }
    return false;
}

// The work task's part tree from TeamWorkPartTree, walked without recursion on the part stack;
// the rows are grouped by their UpCode once, so that each node finds its children directly.
void CTeamGroupFileManageDlg::AddWorkParts(CTreeCursor workNode, const CString& workId) {
    m_arrPartUpCode.RemoveAll();
    m_arrPartCode.RemoveAll();
    m_arrPartName.RemoveAll();
    CString sql;
    sql.Format("SELECT UpCode, DCode, DName FROM TeamWorkPartTree WHERE WorkID='%s' ORDER BY UpCode",
               SqlQuote(workId));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            m_arrPartUpCode.Add(VariantToString(rs->GetCollect(0L)));
            m_arrPartCode.Add(VariantToString(rs->GetCollect(1L)));
            m_arrPartName.Add(VariantToString(rs->GetCollect(2L)));
            rs->MoveNext();
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
        return;
    }
    std::unordered_map<std::string, std::vector<int>> rowsByUpCode;
    for (int i = 0; i < m_arrPartUpCode.GetSize(); ++i)
        rowsByUpCode[projects::GroupKey(m_arrPartUpCode[i])].push_back(i);
    m_partStack->Init();
    m_currentEntry = CTreeStackItem{workNode, workId, CString(), 0};
    while (!(m_currentEntry.m_code.IsEmpty() && m_partStack->IsEmpty())) {
        m_arrChildCode.RemoveAll();
        m_arrChildName.RemoveAll();
        const bool expand = !m_currentEntry.m_code.IsEmpty() &&
                            !(m_currentEntry.m_cursor != workNode.m_item &&
                              IsOnOwnPath(m_currentEntry.m_cursor, m_currentEntry.m_code));
        const auto found =
            expand ? rowsByUpCode.find(projects::GroupKey(m_currentEntry.m_code)) : rowsByUpCode.end();
        if (found != rowsByUpCode.end())
            for (const int i : found->second) {
                m_arrChildCode.Add(m_arrPartCode[i]);
                m_arrChildName.Add(m_arrPartName[i]);
            }
        const int count = static_cast<int>(m_arrChildCode.GetSize());
        if (count == 0) {
            m_currentEntry = PopPart();
            continue;
        }
        for (int i = 0; i < count; ++i) {
            CTreeCursor child = AddNode(m_currentEntry.m_cursor, NodeText(m_arrChildName[i], m_arrChildCode[i]),
                                        kPartImage, kPartKind, m_arrChildCode[i], m_arrChildName[i]);
            const CTreeStackItem entry{child, m_arrChildCode[i], m_arrChildName[i], 0};
            if (i + 1 < count)
                m_partStack->Push(entry);
            else
                m_currentEntry = entry;
        }
    }
}

CString CTeamGroupFileManageDlg::ClassifyPart(const CString& code) {
    const CString quoted = SqlQuote(code);
    CString a, b;
    a.Format("SELECT count(*) FROM VqkorvelAll_title WHERE TCode='%s'", quoted);
    b.Format("SELECT count(*) FROM VqkorvelAll_detail WHERE UpCode='%s'", quoted);
    if (theApp.GetSqlInt(a) + theApp.GetSqlInt(b) >= 1)
        return kBPartKind;
    a.Format("SELECT count(*) FROM VqkorvelTeam_title WHERE TCode='%s'", quoted);
    b.Format("SELECT count(*) FROM VqkorvelTeam_detail WHERE UpCode='%s'", quoted);
    if (theApp.GetSqlInt(a) + theApp.GetSqlInt(b) >= 1)
        return kUPartKind;
    return kPartKind;
}

// One level below a part: from the archive structure, else the collaborative-design structure,
// else the work parts.
void CTeamGroupFileManageDlg::LoadPartChildren(CTreeCursor node, const CString& code) {
    const CString quoted = SqlQuote(code);
    CString sql;
    CString kind;
    sql.Format("SELECT count(*) FROM VqkorvelAll_detail WHERE UpCode='%s'", quoted);
    if (theApp.GetSqlInt(sql) > 0) {
        sql.Format("SELECT DCode, DName FROM VqkorvelAll_detail WHERE UpCode='%s' AND DCode IN (SELECT TCode FROM "
                   "VqkorvelAll_title) ORDER BY DCode",
                   quoted);
        kind = kBPartKind;
    } else {
        sql.Format("SELECT count(*) FROM VqkorvelTeam_detail WHERE UpCode='%s'", quoted);
        if (theApp.GetSqlInt(sql) > 0) {
            sql.Format("SELECT DCode, DName FROM VqkorvelTeam_detail WHERE UpCode='%s' AND DCode IN (SELECT TCode "
                       "FROM VqkorvelTeam_title) ORDER BY DCode",
                       quoted);
            kind = kUPartKind;
        } else {
            sql.Format("SELECT DCode, DName FROM TeamWorkPartTree WHERE UpCode='%s' ORDER BY DCode", quoted);
            kind = kPartKind;
        }
    }
    CStringArray codes, names;
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            codes.Add(VariantToString(rs->GetCollect(0L)));
            names.Add(VariantToString(rs->GetCollect(1L)));
            rs->MoveNext();
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
        return;
    }
    for (int i = 0; i < codes.GetSize(); ++i) {
        if (codes[i].IsEmpty())
            continue;
        if (kind != kBPartKind)
            kind = ClassifyPart(codes[i]);
        AddNode(node, NodeText(names[i], codes[i]), PartImage(kind), kind, codes[i], names[i]);
    }
}

// --- Selection and the document list ----------------------------------------------------------------

void CTeamGroupFileManageDlg::OnTreeSelChanged(NMHDR*, LRESULT* result) {
    *result = 0;
    if (m_bBusy)
        return;
    m_selectedNode = m_tree.GetSelectedItem();
    TreeItemData* record = NodeRecord(m_selectedNode);
    if (!record) {
        AfxMessageBox("不能读取选中内容的属性信息...");
        return;
    }
    if (IsPartKind(record->kind)) {
        m_nPartMode = 1;
        m_strPartCode = record->code;
        if (!m_tree.ItemHasChildren(m_selectedNode)) {
            CWaitCursor wait;
            m_bBusy = 1;
            LoadPartChildren(m_selectedNode, record->code);
            const int image = m_selectedNode.GetImage();
            if (m_tree.ItemHasChildren(m_selectedNode) && (image == kPartImage || image == kPartImage + 1))
                m_tree.SetItemImage(m_selectedNode, kLoadedPartImage, kLoadedPartImage + 1);
            m_tree.Expand(m_selectedNode, TVE_EXPAND);
            m_bBusy = 0;
        }
    } else {
        m_nPartMode = 0;
        m_arrSelectedCodes.RemoveAll();
        CollectBranchCodes(m_selectedNode);
    }
    ListWorkDocuments();
}

// The codes of the node and of every project-task and work node below it, depth first.
void CTeamGroupFileManageDlg::CollectBranchCodes(CTreeCursor node) {
    std::vector<CTreeCursor> pending{node};
    while (!pending.empty()) {
        CTreeCursor current = pending.back();
        pending.pop_back();
        const TreeItemData* record = NodeRecord(current);
        if (record && !record->code.IsEmpty() &&
            (record->kind == kProjectTaskKind || record->kind == kTaskKind || record->kind == kTaskVKind))
            m_arrSelectedCodes.Add(record->code);
        std::vector<CTreeCursor> children;
        for (CTreeCursor child = current.GetChild(); child.m_item; child = child.GetNext())
            children.push_back(child);
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
}

void CTeamGroupFileManageDlg::ClearRows() {
    for (void* record : m_rowRecords)
        delete static_cast<DocFileItem*>(record);
    m_rowRecords.RemoveAll();
}

void CTeamGroupFileManageDlg::ListWorkDocuments() {
    ClearRows();
    m_nCurrentRow = -1;
    m_list.DeleteAllItems();
    CString condition;
    if (m_nPartMode) {
        condition.Format("A.PartCode='%s'", SqlQuote(m_strPartCode));
    } else {
        for (int i = 0; i < m_arrSelectedCodes.GetSize(); ++i) {
            CString code;
            code.Format(i == 0 ? "'%s'" : ", '%s'", SqlQuote(m_arrSelectedCodes[i]));
            condition += code;
        }
    }
    if (condition.IsEmpty()) {
        AfxMessageBox("无法获取下级工作组任务信息...");
        return;
    }
    CString sql;
    sql.Format(m_nPartMode ? "SELECT A.WorkID, A.FileID, A.FilePrompt, A.FileName, A.FileSize, A.FileType, A.State, "
                             "A.SaveDate, A.PartCode, B.Manager FROM TeamWorkResult A, TeamWorkManage B WHERE "
                             "A.WorkID=B.WorkID AND %s ORDER BY A.FileID"
                           : "SELECT A.WorkID, A.FileID, A.FilePrompt, A.FileName, A.FileSize, A.FileType, A.State, "
                             "A.SaveDate, A.PartCode, B.Manager FROM TeamWorkResult A, TeamWorkManage B WHERE "
                             "A.WorkID=B.WorkID AND A.WorkID IN (%s) ORDER BY A.FileID",
               condition);
    auto progress = std::make_unique<CProgressDlg>(this);
    progress->Create(CProgressDlg::IDD, this);
    progress->CenterWindow();
    progress->ShowWindow(SW_SHOW);
    progress->m_progress.SetRange(0, 10);
    progress->m_progress.SetPos(2);
    progress->SetText("正在显示设计工作文档......");
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            CString values[10];
            for (long c = 0; c < 10; ++c)
                values[c] = VariantToString(rs->GetCollect(c));
            auto* record = new DocFileItem;
            record->m_strKey = values[1];
            record->m_strDescription = values[2];
            record->m_strFile = values[3];
            record->m_strFileSize = values[4];
            record->m_strFileType = values[5];
            record->m_strSaveDate = values[7];
            m_rowRecords.Add(record);
            const int row = m_list.GetItemCount();
            CString number;
            number.Format("%d", row + 1);
            m_list.InsertItem(row, number, CSysImageList::GetIconIndex(record->m_strFile));
            m_list.SetItemData(row, reinterpret_cast<DWORD_PTR>(record));
            const CString texts[] = {values[0], values[2], values[4], values[5],
                                     values[6], values[7], values[8], values[9]};
            int column = 1;
            for (const CString& text : texts)
                m_list.SetItemText(row, column++, text);
            rs->MoveNext();
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
    progress->m_progress.SetPos(10);
    progress->DestroyWindow();
}

void CTeamGroupFileManageDlg::OnListItemChanged(NMHDR* header, LRESULT* result) {
    *result = 0;
    const auto* notice = reinterpret_cast<const NMLISTVIEW*>(header);
    if (notice->iItem != m_nCurrentRow)
        m_nCurrentRow = notice->iItem;
}

DocFileItem* CTeamGroupFileManageDlg::CurrentRecord() {
    if (m_nCurrentRow < 0 || m_nCurrentRow >= m_list.GetItemCount())
        return nullptr;
    auto* record = reinterpret_cast<DocFileItem*>(m_list.GetItemData(m_nCurrentRow));
    if (!record)
        AfxMessageBox(kNoRecord);
    return record;
}

// --- Commands on the current row -----------------------------------------------------------------

void CTeamGroupFileManageDlg::OnBrowse() {
    DocFileItem* record = CurrentRecord();
    if (!record)
        return;
    CWaitCursor wait;
    BrowseWorkDocument(m_copies.Path(), *record, m_list.GetItemText(m_nCurrentRow, kNameColumn),
                       m_nDatabaseType);
}

void CTeamGroupFileManageDlg::OnListDblClk(NMHDR*, LRESULT* result) {
    *result = 0;
    OnBrowse();
}

void CTeamGroupFileManageDlg::OnProperties() {
    DocFileItem* record = CurrentRecord();
    if (!record)
        return;
    CWorkDocPropertyDlg dlg(nullptr);
    dlg.FileID = record->m_strKey;
    dlg.DoModal();
}

void CTeamGroupFileManageDlg::OnAuditFlow() {
    DocFileItem* record = CurrentRecord();
    if (!record)
        return;
    CWorkDocAuditInfo info;
    if (!info.ReadDocAuditInfo(record->m_strKey))
        return;
    vq::TaskAuditFlowRequest flow;
    flow.auditMode = info.AuditingType;
    flow.readOnly = 1;
    flow.writeToTask = 0;
    flow.auditModel = info.AuditingModel;
    flow.auditorName = info.AuditorName;
    flow.submitMode = 0;
    vq::OpenTaskAuditFlow(flow);
}

void CTeamGroupFileManageDlg::OnAuditResult() {
    DocFileItem* record = CurrentRecord();
    if (!record)
        return;
    vq::ShowAuditResult(record->m_strKey, record->m_strFile);
}

void CTeamGroupFileManageDlg::OnTreeRClick(NMHDR*, LRESULT* result) {
    *result = 1;
    GetCursorPos(&m_clickPoint);
    CPoint point = m_clickPoint;
    m_tree.ScreenToClient(&point);
    point.y -= 2;
    CTreeCursor hit = m_tree.HitTest(point);
    if (!hit.m_item)
        return;
    m_selectedNode = hit;
    m_tree.SelectItem(hit);
    CMenu menu;
    menu.CreatePopupMenu();
    menu.AppendMenu(MF_STRING, kExpandCommand, "展开(&E)");
    if (menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, m_clickPoint.x, m_clickPoint.y, this) !=
        kExpandCommand)
        return;
    CWaitCursor wait;
    projects::ExpandSubtree(m_tree, hit);
    m_tree.EnsureVisible(hit);
}
