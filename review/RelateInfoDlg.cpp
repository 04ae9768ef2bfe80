#include "review/RelateInfoDlg.h"

#include "controls/ItemTextSort.h"
#include "core/ComError.h"
#include "core/ItemText.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/ui/DataExchange.h"

namespace {

using D = CRelateInfoDlg;

const vq::DialogTemplate kRelateInfoTemplate{
    "相关信息显示",
    {vq::Label("任务编号:"), vq::EditBox(D::kCodeId, vq::kNoLayoutFlags, ES_AUTOHSCROLL | ES_READONLY),
     vq::Label("名称：", vq::kBeside), vq::EditBox(D::kNameId, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
     vq::ReportList(D::kTopicListId, vq::kFill, LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL,
                    LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT),
     vq::EditBox(D::kContentId, vq::kBeside, ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY | WS_VSCROLL),
     vq::PushButton(IDCANCEL, "退出")},
    CSize(560, 360)};

const vq::TemplateRegistration kRelateInfoRegistration(D::IDD, kRelateInfoTemplate);

// A field separator that no stored text holds, so that a "?" in a topic shifts nothing.
constexpr char kFieldSeparator = '\x1f';

} // namespace

BEGIN_MESSAGE_MAP(CRelateInfoDlg, CDialog)
    ON_NOTIFY(LVN_COLUMNCLICK, CRelateInfoDlg::kTopicListId, &CRelateInfoDlg::OnColumnClick)
    ON_NOTIFY(LVN_ITEMCHANGED, CRelateInfoDlg::kTopicListId, &CRelateInfoDlg::OnTopicChanged)
END_MESSAGE_MAP()

CRelateInfoDlg::CRelateInfoDlg(CWnd* parent) : CDialog(IDD, parent) {}

CRelateInfoDlg::~CRelateInfoDlg() {
    FreeRows();
}

void CRelateInfoDlg::FreeRows() {
    DeleteItemTexts(m_arrRows);
}

void CRelateInfoDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kTopicListId, m_listTopics);
    DDX_Text(pDX, kCodeId, m_strCode);
    DDX_Text(pDX, kNameId, m_strName);
    DDX_Text(pDX, kContentId, m_strContent);
}

BOOL CRelateInfoDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CWaitCursor wait;
    m_imageHeader.Create(344, 16, 10, RGB(0, 0, 0));
    m_listTopics.m_header.SetImageList(&m_imageHeader);
    _ConnectionPtr connection = theApp.m_pConnPDM;
    m_pConnection = connection;
    m_strLogin = theApp.m_strLoginUser;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    if (m_strName.IsEmpty())
        LookUpName();
    UpdateData(FALSE);
    m_listTopics.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    m_listTopics.InsertColumn(0, "主题", LVCFMT_LEFT, 100);
    m_listTopics.InsertColumn(1, "涉及人", LVCFMT_LEFT, 60);
    m_listTopics.InsertColumn(2, "日期", LVCFMT_LEFT, 80);
    LoadTopics();
    m_bLoading = FALSE;
    return TRUE;
}

void CRelateInfoDlg::LookUpName() {
    CString sql;
    if (m_nKind == 0) {
        sql.Format("SELECT ProjectName FROM ProjectManage WHERE ProjectNo='%s'", SqlQuote(m_strCode));
        m_strType = "任务";
    } else {
        sql.Format("SELECT TName FROM VqkorvelAll_title WHERE TCode='%s'", SqlQuote(m_strCode));
        m_strType = "图纸";
    }
    m_strName = theApp.GetSqlString(sql);
}

void CRelateInfoDlg::LoadTopics() {
    CString sql;
    sql.Format("SELECT Topic, Saver, SaveTime FROM RelateMessage WHERE Code='%s' AND Type='%s'",
               SqlQuote(m_strCode), SqlQuote(m_strType));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            auto* record = new CItemText;
            record->m_cSeparator = kFieldSeparator;
            for (long i = 0; i < 3; ++i)
                record->SetField(static_cast<int>(i), VariantToString(rs->GetCollect(i)));
            m_arrRows.Add(record);
            const int row = m_listTopics.InsertItem(m_listTopics.GetItemCount(), record->GetField(0));
            m_listTopics.SetItemText(row, 1, record->GetField(1));
            m_listTopics.SetItemText(row, 2, record->GetField(2));
            m_listTopics.SetItemData(row, reinterpret_cast<DWORD_PTR>(record));
            rs->MoveNext();
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

void CRelateInfoDlg::OnTopicChanged(NMHDR* pNMHDR, LRESULT* pResult) {
    *pResult = 0;
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(pNMHDR);
    if (m_bLoading || change->iItem < 0 || !(change->uNewState & LVIS_SELECTED))
        return;
    const auto* record = reinterpret_cast<const CItemText*>(m_listTopics.GetItemData(change->iItem));
    if (!record)
        return;
    CString sql;
    sql.Format("SELECT Content FROM RelateMessage WHERE Code='%s' AND Type='%s' AND Saver='%s' AND SaveTime='%s'",
               SqlQuote(m_strCode), SqlQuote(m_strType), SqlQuote(record->GetField(1)),
               SqlQuote(record->GetField(2)));
    m_strContent = theApp.GetSqlString(sql);
    UpdateData(FALSE);
}

void CRelateInfoDlg::OnColumnClick(NMHDR* pNMHDR, LRESULT* pResult) {
    *pResult = 0;
    SortListByItemText(m_listTopics, reinterpret_cast<const NMLISTVIEW*>(pNMHDR)->iSubItem);
}

void CRelateInfoDlg::PostNcDestroy() {
    FreeRows();
    m_pConnection = nullptr;
    CDialog::PostNcDestroy();
}
