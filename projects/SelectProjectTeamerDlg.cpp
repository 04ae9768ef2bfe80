#include "projects/SelectProjectTeamerDlg.h"

#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/db/SqlText.h"
#include "platform/ui/DataExchange.h"
#include "projects/ProjectTeamIds.h"

using namespace projects::team_ids;

namespace {

const vq::DialogTemplate kPickerTemplate{
    "选择项目组成员",
    {vq::Label("项目编号", vq::kNoLayoutFlags, 0, kProjectNoLabel),
     vq::EditBox(kProjectNo, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
     vq::Label("父任务编号", vq::kBeside, 0, kTaskNoLabel),
     vq::EditBox(kTaskNo, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
     vq::PushButton(kChooseGroup, "选择项目", vq::kBeside), vq::Tree(kTree, vq::kFill),
     vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消", vq::kBeside)},
    CSize(460, 420)};

} // namespace

BEGIN_MESSAGE_MAP(CSelectProjectTeamerDlg, CDialog)
    ON_BN_CLICKED(kChooseGroup, &CSelectProjectTeamerDlg::OnChooseGroup)
    ON_NOTIFY(TVN_SELCHANGED, kTree, &CSelectProjectTeamerDlg::OnSelChanged)
    ON_NOTIFY(NM_DBLCLK, kTree, &CSelectProjectTeamerDlg::OnDblClick)
END_MESSAGE_MAP()

CSelectProjectTeamerDlg::CSelectProjectTeamerDlg(CWnd* parent) : CDialog(kPickerTemplate, parent) {}

void CSelectProjectTeamerDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kTree, m_tree);
    DDX_Text(pDX, kProjectNo, m_strProjectNo);
    DDX_Text(pDX, kTaskNo, m_strTaskNo);
}

BOOL CSelectProjectTeamerDlg::OnInitDialog() {
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
    if (!m_strProjectNo.IsEmpty())
        GetDlgItem(kChooseGroup)->ShowWindow(SW_HIDE);
    CString sql;
    if (!m_strProjectNo.IsEmpty() && m_strProjectName.IsEmpty()) {
        sql.Format("SELECT ProjectName FROM ProjectManage WHERE ProjectNo='%s'", SqlQuote(m_strProjectNo));
        m_strProjectName = theApp.GetSqlString(sql);
    }
    if (!m_strTaskNo.IsEmpty() && m_strTaskName.IsEmpty()) {
        sql.Format("SELECT ProjectName FROM ProjectManage WHERE ProjectNo='%s'", SqlQuote(m_strTaskNo));
        m_strTaskName = theApp.GetSqlString(sql);
    }
    UpdateData(FALSE);
    FillTree();
    return TRUE;
}

void CSelectProjectTeamerDlg::OnDestroy() {
    m_team.FreeRecords();
    CDialog::OnDestroy();
}

void CSelectProjectTeamerDlg::FillTree() {
    const ProjectTeamGroup group{m_strProjectNo, m_strProjectName, m_strTaskNo, m_strTaskName, m_bWorkGroup ? 1 : 0};
    HTREEITEM preset = nullptr;
    m_team.Fill(group, m_strLogName, &preset);
    if (preset) {
        m_tree.SelectItem(preset);
        m_tree.EnsureVisible(preset);
    } else {
        m_tree.SelectItem(m_team.Root());
        m_tree.Expand(m_team.Root(), TVE_EXPAND);
    }
    HTREEITEM selected = m_tree.GetSelectedItem();
    GetDlgItem(IDOK)->EnableWindow(selected && selected != m_team.Root());
}

void CSelectProjectTeamerDlg::OnSelChanged(NMHDR*, LRESULT* result) {
    *result = 0;
    HTREEITEM selected = m_tree.GetSelectedItem();
    GetDlgItem(IDOK)->EnableWindow(selected && selected != m_team.Root());
}

void CSelectProjectTeamerDlg::OnDblClick(NMHDR*, LRESULT* result) {
    *result = 0;
    HTREEITEM selected = m_tree.GetSelectedItem();
    if (selected && selected != m_team.Root())
        OnOK();
}

void CSelectProjectTeamerDlg::OnOK() {
    HTREEITEM selected = m_tree.GetSelectedItem();
    if (!selected || selected == m_team.Root())
        return;
    const TreeItemData* record = m_team.Record(selected);
    if (!record) {
        AfxMessageBox("不能正常读取项目组成员信息...");
        return;
    }
    m_strLogName = record->code;
    m_strUserName = record->text;
    EndDialog(IDOK);
}

void CSelectProjectTeamerDlg::OnChooseGroup() {
    ProjectTeamGroup group{m_strProjectNo, m_strProjectName, m_strTaskNo, m_strTaskName, m_bWorkGroup ? 1 : 0};
    if (!ChooseTeamGroup(this, group, false))
        return;
    m_strProjectNo = group.projectNo;
    m_strProjectName = group.projectName;
    m_strTaskNo = group.taskNo;
    m_strTaskName = group.taskName;
    UpdateData(FALSE);
    FillTree();
}
