#include "parts/PartWorkDocDlg.h"

#include "core/ComError.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/ui/DataExchange.h"

namespace {

const vq::DialogTemplate kPartWorkDocTemplate{"图号对应的工作文档",
                                              {vq::ReportList(6108, vq::kFill),
                                               vq::DefPushButton(IDOK, "确定"),
                                               vq::PushButton(IDCANCEL, "取消", vq::kBeside)}};
const vq::TemplateRegistration kPartWorkDocRegistration(6031, kPartWorkDocTemplate);

enum Column { kNumber, kName, kSize, kType, kState, kDate, kFileID };

} // namespace

CPartWorkDocDlg::CPartWorkDocDlg(CWnd* parent) : CDialog(kPartWorkDocTemplate, parent) {}

void CPartWorkDocDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, 6108, m_list);
}

BOOL CPartWorkDocDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_pConnection = theApp.m_pConnPDM;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    SetWindowText("零部件[" + m_strPartCode + "]对应的文件信息");
    m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    m_list.InsertColumn(kNumber, "序号", LVCFMT_LEFT, 60);
    m_list.InsertColumn(kName, "名称", LVCFMT_LEFT, 120);
    m_list.InsertColumn(kSize, "大小", LVCFMT_LEFT, 60);
    m_list.InsertColumn(kType, "类型", LVCFMT_LEFT, 140);
    m_list.InsertColumn(kState, "状态", LVCFMT_LEFT, 60);
    m_list.InsertColumn(kDate, "修改时间", LVCFMT_LEFT, 120);
    m_list.InsertColumn(kFileID, "文件ID", LVCFMT_LEFT, 0);
    FillList();
    return TRUE;
}

void CPartWorkDocDlg::FillList() {
    CString sql;
    sql.Format(
        "SELECT FileName, FileSize, FileType, State, SaveDate, FileID FROM TeamWorkResult WHERE PartCode = "
        "'%s' AND FileType Like 'AutoCAD%%' ORDER BY FileName",
        SqlQuote(m_strPartCode));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            CString number;
            number.Format("%d", m_list.GetItemCount() + 1);
            int row = m_list.InsertItem(m_list.GetItemCount(), number);
            for (long field = 0; field < 6; ++field)
                m_list.SetItemText(row, static_cast<int>(field) + 1, VariantToString(rs->GetCollect(field)));
            rs->MoveNext();
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        theApp.ReportSqlError(e, sql);
    }
}

void CPartWorkDocDlg::OnOK() {
    POSITION pos = m_list.GetFirstSelectedItemPosition();
    int row = pos ? m_list.GetNextSelectedItem(pos) : -1;
    if (row < 0) {
        AfxMessageBox("没有选择文件信息...");
        return;
    }
    m_strFileID = m_list.GetItemText(row, kFileID);
    m_strFileName = m_list.GetItemText(row, kName);
    EndDialog(IDOK);
}

void CPartWorkDocDlg::OnCancel() {
    if (AfxMessageBox("是否真的退出?", MB_YESNO | MB_ICONQUESTION) == IDYES)
        EndDialog(IDCANCEL);
}
