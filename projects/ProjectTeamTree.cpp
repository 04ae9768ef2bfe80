#include "projects/ProjectTeamTree.h"

#include "core/ComError.h"
#include "core/DialogSeams.h"
#include "core/VqDesignTaskApp.h"
#include "parts/ProductSelectDlg.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"

TreeItemData* CProjectTeamTree::NewRecord(const CString& kind, const CString& code, const CString& text) {
    auto* record = new TreeItemData{kind, code, text};
    m_records.push_back(record);
    return record;
}

void CProjectTeamTree::FreeRecords() {
    for (TreeItemData* record : m_records)
        delete record;
    m_records.clear();
}

const TreeItemData* CProjectTeamTree::Record(HTREEITEM item) const {
    if (!m_tree || !item)
        return nullptr;
    return reinterpret_cast<const TreeItemData*>(m_tree->GetItemData(item));
}

bool CProjectTeamTree::IsLeader(HTREEITEM item) const {
    int image = -1, selected = -1;
    m_tree->GetItemImage(item, image, selected);
    return image == kLeaderImage || image == kLeaderImage + 1;
}

void CProjectTeamTree::Fill(const ProjectTeamGroup& group, const CString& presetLogin, HTREEITEM* presetNode) {
    CWaitCursor wait;
    m_tree->DeleteAllItems();
    FreeRecords();
    CString label;
    TreeItemData* record = nullptr;
    if (group.projectNo.IsEmpty()) {
        label = "请选择指定的设计项目...";
        record = NewRecord("_Tree", "", "");
    } else if (group.workGroup) {
        label.Format("任务：[%s]%s 的工作组...", group.taskName, group.taskNo);
        record = NewRecord("_Tree", group.taskNo, group.taskName);
    } else {
        label.Format("项目：%s 的工作团队...", group.projectNo);
        record = NewRecord("_Tree", group.projectNo, group.projectName);
    }
    m_root = m_tree->InsertItem(CTreeCursor(), label, 0);
    m_tree->SetItemData(m_root, reinterpret_cast<DWORD_PTR>(record));
    ReadMembers(group, presetLogin, presetNode);
}

void CProjectTeamTree::RefillMembers(const ProjectTeamGroup& group) {
    HTREEITEM child = m_tree->GetChildItem(m_root);
    while (child) {
        HTREEITEM next = m_tree->GetNextSiblingItem(child);
        m_tree->DeleteItem(child);
        child = next;
    }
    ReadMembers(group, CString(), nullptr);
}

HTREEITEM CProjectTeamTree::AddMember(const CString& login, const CString& fullName, bool leader) {
    CString label;
    label.Format("%s [%s]", fullName, login);
    CTreeCursor node = m_tree->InsertItem(CTreeCursor(m_root, m_tree), label, leader ? kLeaderImage : kMemberImage);
    m_tree->SetItemData(node, reinterpret_cast<DWORD_PTR>(NewRecord("_User", login, fullName)));
    return node;
}

void CProjectTeamTree::ReadMembers(const ProjectTeamGroup& group, const CString& presetLogin, HTREEITEM* presetNode) {
    if (group.projectNo.IsEmpty())
        return;
    CString sql;
    sql.Format("SELECT DISTINCT A.TeamUser, B.UserName, A.IsLeader FROM DesignProjectTeam A, UserInformation B "
               "WHERE A.TeamType='%s' AND A.TeamGroup='%s' AND A.TeamUser=%s",
               group.TeamType(), SqlQuote(group.Key()),
               theApp.m_nDatabaseType == 2 ? "rtrim(B.UserLogName)" : "B.UserLogName");
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, theApp.m_pConnPDM, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            const CString login = VariantToString(rs->GetCollect(0L));
            const CString name = VariantToString(rs->GetCollect(1L));
            const bool leader = VariantToString(rs->GetCollect(2L)).CompareNoCase("Y") == 0;
            HTREEITEM node = AddMember(login, name, leader);
            if (presetNode && !presetLogin.IsEmpty() && login.CompareNoCase(presetLogin) == 0)
                *presetNode = node;
            rs->MoveNext();
        }
        if (theApp.m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        theApp.ReportSqlError(e, sql);
    }
}

int CountTeamMember(const ProjectTeamGroup& group, const CString& login) {
    CString sql;
    sql.Format("SELECT count(*) FROM DesignProjectTeam WHERE TeamType='%s' AND TeamGroup='%s' AND TeamUser='%s'",
               group.TeamType(), SqlQuote(group.Key()), SqlQuote(login));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, theApp.m_pConnPDM, adOpenForwardOnly, adLockReadOnly, adCmdText);
        int count = 0;
        if (!rs->IsEOF())
            count = std::atoi(VariantToString(rs->GetCollect(0L)));
        if (theApp.m_nAdoCloseMode)
            rs->Close();
        return count;
    } catch (_com_error& e) {
        ReportComError(e);
        return -1;
    }
}

int StoreTeamMember(const ProjectTeamGroup& group, const CString& login, const CString& time) {
    CString sql;
    if (theApp.m_nDatabaseType != 2) {
        sql.Format("INSERT INTO DesignProjectTeam (ProjectNo, TeamType, TeamGroup, TeamUser, IsLeader, SaveTime) "
                   "VALUES('%s', '%s', '%s', '%s', 'N', '%s')",
                   SqlQuote(group.projectNo), group.TeamType(), SqlQuote(group.Key()), SqlQuote(login),
                   SqlQuote(time));
        return theApp.ExecuteSql(sql);
    }
    // The identifier is one more than the largest; InterID is unique, so a client that lost the
    // race for an identifier is refused and takes the next one. Each loss means that another
    // client stored a row, so the tries go on as long as that is the refusal; only a stream of
    // losses far longer than any group is added in ends with the busy message.
    constexpr int kAttempts = 1000;
    for (int attempt = 0;; ++attempt) {
        const int id = theApp.GetSqlInt("SELECT max(InterID)+1 FROM DesignProjectTeam");
        sql.Format("INSERT INTO DesignProjectTeam (InterID, ProjectNo, TeamType, TeamGroup, TeamUser, IsLeader, "
                   "SaveTime) VALUES(%d, '%s', '%s', '%s', '%s', 'N', '%s')",
                   id, SqlQuote(group.projectNo), group.TeamType(), SqlQuote(group.Key()), SqlQuote(login),
                   SqlQuote(time));
        try {
            theApp.m_pConnPDM->Execute(sql, nullptr, adCmdText);
            return 1;
        } catch (_com_error& e) {
            CString taken;
            taken.Format("SELECT count(*) FROM DesignProjectTeam WHERE InterID=%d", id);
            if (theApp.GetSqlInt(taken) == 0) {
                theApp.ReportSqlError(e, sql);
                return 0;
            }
            if (attempt + 1 >= kAttempts) {
                AfxMessageBox(DbFailureText(DbFailure::Busy));
                return 0;
            }
        }
    }
}

bool ChooseTeamGroup(CWnd* parent, ProjectTeamGroup& group, bool dialectForms) {
    if (!group.workGroup) {
        CProductSelectDlg picker(parent);
        picker.m_nMode = 1;
        picker.m_strCode = group.projectNo;
        if (picker.DoModal() != IDOK)
            return false;
        group.projectNo = picker.m_strCode;
        group.projectName = picker.m_strName;
        return true;
    }
    CString taskNo = group.taskNo;
    CString taskName;
    if (vq::OpenBrowseProjectTask(parent, taskNo, taskName) != IDOK)
        return false;
    group.taskNo = taskNo;
    group.taskName = taskName;
    const bool oracle = dialectForms && theApp.m_nDatabaseType == 2;
    CString sql;
    sql.Format("SELECT ProjectPath FROM ProjectManage WHERE %s='%s'", oracle ? "rtrim(ProjectNo)" : "ProjectNo",
               SqlQuote(group.taskNo));
    const CString path = theApp.GetSqlString(sql);
    if (path == "项目管理") {
        group.projectName = group.taskName;
    } else {
        const int slash = path.Find('\\');
        group.projectName = slash > 0 ? path.Left(slash) : path;
    }
    sql.Format("SELECT ProjectNo FROM ProjectManage WHERE %s='%s' AND %s='项目管理'",
               oracle ? "rtrim(ProjectName)" : "ProjectName", SqlQuote(group.projectName),
               oracle ? "rtrim(ProjectPath)" : "ProjectPath");
    group.projectNo = theApp.GetSqlString(sql);
    return true;
}
