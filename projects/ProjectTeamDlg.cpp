#include "projects/ProjectTeamDlg.h"

#include "controls/UserBrowseDlg.h"
#include "core/ComError.h"
#include "core/SqlTransaction.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/Time.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/Menu.h"
#include "projects/ProjectTaskRecords.h"
#include "projects/ProjectTaskTree.h"
#include "projects/ProjectTeamIds.h"

using namespace projects::team_ids;

namespace {

const vq::DialogTemplate kTeamTemplate{
    "项目组成员管理",
    {vq::Label("项目编号", vq::kNoLayoutFlags, 0, kProjectNoLabel),
     vq::EditBox(kProjectNo, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
     vq::Label("父任务编号", vq::kBeside, 0, kTaskNoLabel),
     vq::EditBox(kTaskNo, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
     vq::PushButton(kChooseGroup, "选择项目", vq::kBeside), vq::Tree(kTree, vq::kFill),
     vq::PushButton(kAddMembers, "增加成员..."), vq::PushButton(kDeleteMember, "删除成员...", vq::kBeside),
     vq::PushButton(kSetRights, "设定权限...", vq::kBeside),
     vq::PushButton(kRefreshFromWork, "从工作中刷新", vq::kBeside), vq::PushButton(IDCANCEL, "退出", vq::kBeside)},
    CSize(520, 440)};

} // namespace

BEGIN_MESSAGE_MAP(CProjectTeamDlg, CDialog)
    ON_BN_CLICKED(kAddMembers, &CProjectTeamDlg::OnAddMembers)
    ON_BN_CLICKED(kDeleteMember, &CProjectTeamDlg::OnDeleteMember)
    ON_BN_CLICKED(kRefreshFromWork, &CProjectTeamDlg::OnRefreshFromWork)
    ON_BN_CLICKED(kChooseGroup, &CProjectTeamDlg::OnChooseGroup)
    ON_NOTIFY(TVN_SELCHANGED, kTree, &CProjectTeamDlg::OnSelChanged)
    ON_NOTIFY(NM_RCLICK, kTree, &CProjectTeamDlg::OnRightClick)
END_MESSAGE_MAP()

CProjectTeamDlg::CProjectTeamDlg(CWnd* parent) : CDialog(kTeamTemplate, parent) {}

void CProjectTeamDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kTree, m_tree);
    DDX_Text(pDX, kProjectNo, m_strProjectNo);
    DDX_Text(pDX, kTaskNo, m_strTaskNo);
}

ProjectTeamGroup CProjectTeamDlg::Group() const {
    return ProjectTeamGroup{m_strProjectNo, m_strProjectName, m_strTaskNo, m_strTaskName, m_bWorkGroup ? 1 : 0};
}

BOOL CProjectTeamDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_images.Create(348, 16, 1, RGB(255, 0, 255));
    m_images.SetBkColor(GetSysColor(COLOR_WINDOW));
    m_tree.SetImageList(&m_images, TVSIL_NORMAL);
    m_team.Attach(&m_tree);
    if (m_bWorkGroup) {
        SetDlgItemText(kChooseGroup, "选择任务...");
    } else {
        GetDlgItem(kTaskNo)->ShowWindow(SW_HIDE);
        GetDlgItem(kTaskNoLabel)->ShowWindow(SW_HIDE);
    }
    if (!m_strProjectNo.IsEmpty()) {
        GetDlgItem(kChooseGroup)->ShowWindow(SW_HIDE);
    } else {
        for (int id : {kAddMembers, kDeleteMember, kSetRights})
            GetDlgItem(id)->EnableWindow(FALSE);
    }
    const char* column = theApp.m_nDatabaseType == 2 ? "rtrim(ProjectNo)" : "ProjectNo";
    CString sql;
    if (!m_strProjectNo.IsEmpty() && m_strProjectName.IsEmpty()) {
        sql.Format("SELECT ProjectName FROM ProjectManage WHERE %s='%s'", column, SqlQuote(m_strProjectNo));
        m_strProjectName = theApp.GetSqlString(sql);
    }
    if (!m_strTaskNo.IsEmpty() && m_strTaskName.IsEmpty()) {
        sql.Format("SELECT ProjectName FROM ProjectManage WHERE %s='%s'", column, SqlQuote(m_strTaskNo));
        m_strTaskName = theApp.GetSqlString(sql);
    }
    UpdateData(FALSE);
    FillTree();
    if (m_bReadOnly) {
        for (int id : {kAddMembers, kDeleteMember, kRefreshFromWork})
            GetDlgItem(id)->EnableWindow(FALSE);
    }
    return TRUE;
}

void CProjectTeamDlg::OnDestroy() {
    m_team.FreeRecords();
    CDialog::OnDestroy();
}

void CProjectTeamDlg::FillTree() {
    m_team.Fill(Group(), CString(), nullptr);
    m_tree.SelectItem(m_team.Root());
    m_tree.Expand(m_team.Root(), TVE_EXPAND);
    m_selected = m_team.Root();
    UpdateButtons();
}

void CProjectTeamDlg::UpdateButtons() {
    const bool member = m_selected && m_selected != m_team.Root();
    GetDlgItem(kDeleteMember)->EnableWindow(member && !m_bReadOnly && !m_strProjectNo.IsEmpty());
    GetDlgItem(kSetRights)->EnableWindow(member && !m_strProjectNo.IsEmpty());
}

void CProjectTeamDlg::OnSelChanged(NMHDR*, LRESULT* result) {
    *result = 0;
    m_selected = m_tree.GetSelectedItem();
    UpdateButtons();
}

void CProjectTeamDlg::OnAddMembers() {
    if (m_strProjectNo.IsEmpty()) {
        AfxMessageBox("请先选择设计项目...");
        return;
    }
    CUserBrowseDlg picker(this);
    picker.m_bMultiSelect = 1;
    picker.m_bAllowAllUsers = 1;
    if (picker.DoModal() != IDOK)
        return;
    if (picker.m_arrLogNames.GetSize() == 0) {
        AfxMessageBox("未选择到相关的用户...");
        return;
    }
    const ProjectTeamGroup group = Group();
    const CString time = CTime::GetCurrentTime().Format("%Y-%m-%d %H:%M");
    for (int i = 0; i < picker.m_arrLogNames.GetSize(); ++i) {
        const CString& login = picker.m_arrLogNames[i];
        const int count = CountTeamMember(group, login);
        if (count < 0)
            continue;
        if (count > 0) {
            CString text;
            text.Format("用户：%s 已在项目：%s 中...", login, m_strProjectNo);
            AfxMessageBox(text);
            continue;
        }
        if (StoreTeamMember(group, login, time))
            m_team.AddMember(login, picker.m_arrUserNames[i], false);
    }
    m_tree.Expand(m_team.Root(), TVE_EXPAND);
    m_tree.SelectItem(m_team.Root());
    m_bChanged = 1;
}

void CProjectTeamDlg::OnRefreshFromWork() {
    if (m_strProjectNo.IsEmpty())
        return;
    const ProjectTeamGroup group = Group();
    const char* login = theApp.m_nDatabaseType == 2 ? "rtrim(UserLogName)" : "UserLogName";
    CString sql;
    if (m_bWorkGroup)
        sql.Format("SELECT UserLogName, UserName FROM UserInformation WHERE %s IN (SELECT DISTINCT Manager FROM "
                   "TeamWorkManage WHERE TaskNo='%s')",
                   login, SqlQuote(m_strTaskNo));
    else
        sql.Format("SELECT UserLogName, UserName FROM UserInformation WHERE %s IN (SELECT DISTINCT ProjectManager "
                   "FROM ProjectManage WHERE ProjectNo LIKE '%s-%%'%s OR ProjectNo='%s')",
                   login, SqlLikeLiteral(m_strProjectNo), kSqlLikeEscape, SqlQuote(m_strProjectNo));
    CStringArray logins, names;
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, theApp.m_pConnPDM, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            logins.Add(VariantToString(rs->GetCollect(0L)));
            names.Add(VariantToString(rs->GetCollect(1L)));
            rs->MoveNext();
        }
        if (theApp.m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        theApp.ReportSqlError(e, sql);
    }
    for (int i = 0; i < logins.GetSize(); ++i) {
        if (CountTeamMember(group, logins[i]) != 0)
            continue;
        if (StoreTeamMember(group, logins[i], CTime::GetCurrentTime().Format("%Y-%m-%d %H:%M")))
            m_team.AddMember(logins[i], names[i], false);
    }
    m_tree.Expand(m_team.Root(), TVE_EXPAND);
}

CString CProjectTeamDlg::GroupLockName() const {
    const ProjectTeamGroup group = Group();
    CString lock = CString("DesignProjectTeam:") + group.TeamType() + ":" + group.Key();
    lock.MakeUpper();
    return lock;
}

void CProjectTeamDlg::OnDeleteMember() {
    if (m_strProjectNo.IsEmpty()) {
        AfxMessageBox("请先选择工艺设计项目...");
        return;
    }
    HTREEITEM item = m_tree.GetSelectedItem();
    if (!item || item == m_team.Root()) {
        AfxMessageBox("请选择指定的项目成员...");
        return;
    }
    const TreeItemData* record = m_team.Record(item);
    if (!record) {
        AfxMessageBox("不能正常读取项目组成员信息...");
        return;
    }
    if (MessageBox("真的要删除选定的项目成员吗?", "操作提示", MB_YESNO | MB_ICONWARNING) != IDYES)
        return;
    const ProjectTeamGroup group = Group();
    CString condition;
    condition.Format("TeamType='%s' AND TeamGroup='%s' AND TeamUser='%s'", group.TeamType(),
                     SqlQuote(group.Key()), SqlQuote(record->code));
    // Decided on the member as stored after the answer, under the group's lock (the one making a
    // member leader takes), in the transaction that deletes: a member another client removed or
    // made leader (or no longer leader) meanwhile stays, so that a group never loses the leader
    // it was given while the question was open. The member and the member's rights go together,
    // or neither goes.
    const bool shownLeader = m_team.IsLeader(item);
    CString refusal;
    {
        CWaitCursor wait;
        CSqlTransaction transaction;
        if (!transaction.IsActive() || !transaction.Lock(GroupLockName()))
            return;
        const int members =
            projects::QueryGuardCount("SELECT count(*) FROM DesignProjectTeam WHERE " + condition);
        if (members < 0)
            return;
        const int leaders = members == 0
                                ? 0
                                : projects::QueryGuardCount("SELECT count(*) FROM DesignProjectTeam WHERE " +
                                                            condition + " AND IsLeader='Y'");
        if (leaders < 0)
            return;
        if (members == 0)
            refusal = "选定的项目成员已被其他用户删除...";
        else if ((leaders > 0) != shownLeader)
            refusal = leaders > 0 ? "选定的项目成员已被其他用户设为组长，本次没有删除。"
                                  : "选定的项目成员已不再是组长，本次没有删除。";
        else if (!theApp.ExecuteSql("DELETE FROM DesignProjectTeam WHERE " + condition) ||
                 !theApp.ExecuteSql("DELETE FROM DesignProjectTeamRight WHERE " + condition) ||
                 !transaction.Commit())
            return;
    }
    if (!refusal.IsEmpty()) {
        AfxMessageBox(refusal);
        m_team.RefillMembers(group);
        m_tree.SelectItem(m_team.Root());
        m_tree.Expand(m_team.Root(), TVE_EXPAND);
        return;
    }
    m_tree.DeleteItem(item);
    m_selected = m_tree.GetSelectedItem();
    UpdateButtons();
}

void CProjectTeamDlg::MakeLeader(HTREEITEM item) {
    const TreeItemData* record = m_team.Record(item);
    if (!record) {
        AfxMessageBox("不能正常读取项目组成员信息...");
        return;
    }
    if (MessageBox("是否设置选中组员为组长?", "操作提示", MB_YESNO | MB_ICONWARNING) != IDYES)
        return;
    const ProjectTeamGroup group = Group();
    CString member, clear, set;
    member.Format(
        "SELECT count(*) FROM DesignProjectTeam WHERE TeamType='%s' AND TeamGroup='%s' AND TeamUser='%s'",
        group.TeamType(), SqlQuote(group.Key()), SqlQuote(record->code));
    clear.Format("UPDATE DesignProjectTeam SET IsLeader='N' WHERE TeamType='%s' AND TeamGroup='%s' AND IsLeader='Y'",
                 group.TeamType(), SqlQuote(group.Key()));
    set.Format("UPDATE DesignProjectTeam SET IsLeader='Y' WHERE TeamType='%s' AND TeamGroup='%s' AND TeamUser='%s'",
               group.TeamType(), SqlQuote(group.Key()), SqlQuote(record->code));
    // A group never stays without its leader: not because the second statement failed, nor because
    // another client removed the chosen member while the question was open (judged on the stored
    // rows, under the group's lock, in the transaction that writes).
    bool gone = false;
    {
        CSqlTransaction transaction;
        if (!transaction.IsActive() || !transaction.Lock(GroupLockName()))
            return;
        const int members = projects::QueryGuardCount(member);
        if (members < 0)
            return;
        gone = members == 0;
        if (!gone && (!theApp.ExecuteSql(clear) || !theApp.ExecuteSql(set) || !transaction.Commit()))
            return;
    }
    if (gone) {
        AfxMessageBox("选中的组员已不在项目组中，没有设置组长...");
        m_team.RefillMembers(group);
        return;
    }
    m_team.RefillMembers(group);
    m_tree.SelectItem(m_team.Root());
    m_tree.Expand(m_team.Root(), TVE_EXPAND);
}

void CProjectTeamDlg::OnRightClick(NMHDR*, LRESULT* result) {
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
    if (node == m_team.Root()) {
        menu.AppendMenu(MF_STRING, kExpandCommand, "展开(&P)");
        if (menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, screen.x, screen.y, this) ==
            static_cast<BOOL>(kExpandCommand)) {
            projects::ExpandSubtree(m_tree, node);
            m_tree.EnsureVisible(node);
        }
        return;
    }
    // A read-only group offers no entry that changes it.
    if (m_bReadOnly)
        return;
    menu.AppendMenu(MF_STRING | (m_team.IsLeader(node) ? MF_GRAYED : 0), kLeaderCommand, "设为组长(&S)...");
    if (menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, screen.x, screen.y, this) ==
        static_cast<BOOL>(kLeaderCommand))
        MakeLeader(node);
}

void CProjectTeamDlg::OnChooseGroup() {
    ProjectTeamGroup group = Group();
    if (!ChooseTeamGroup(this, group, true))
        return;
    m_strProjectNo = group.projectNo;
    m_strProjectName = group.projectName;
    m_strTaskNo = group.taskNo;
    m_strTaskName = group.taskName;
    UpdateData(FALSE);
    const bool chosen = !m_strProjectNo.IsEmpty();
    GetDlgItem(kAddMembers)->EnableWindow(chosen && !m_bReadOnly);
    FillTree();
}
