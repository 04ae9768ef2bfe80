#include "parts/VersionStoreDlg.h"

#include "parts/DocumentItem.h"
#include "platform/base/WaitCursor.h"
#include "platform/ui/DataExchange.h"

namespace {

const vq::DialogTemplate kVersionStoreTemplate{
    "版本存储",
    {vq::ReportList(1183, vq::kFill, LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS),
     vq::ReportList(1172, vq::kFill, LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS),
     vq::Label("当前任务的工作文档将存为选定版本中，并设该版本为当前版本..."),
     vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消", vq::kBeside)}};
const vq::TemplateRegistration kRegistration(222, kVersionStoreTemplate);

} // namespace

CVersionStoreDlg::CVersionStoreDlg(CWnd* parent) : CDialog(222, parent) {}

void CVersionStoreDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, 1183, m_listTaskDocuments);
    DDX_Control(pDX, 1172, m_listVersionDocuments);
}

BOOL CVersionStoreDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CWaitCursor wait;
    m_imageList.Create(16, 16, ILC_COLOR, 1, 1);
    if (HICON icon = vq::LoadIconResource(185))
        m_imageList.Add(icon);
    FillList(m_listVersionDocuments, "版本文档说明", m_arrVersionDocuments);
    FillList(m_listTaskDocuments, "任务文档说明", m_arrTaskDocuments);
    return TRUE;
}

void CVersionStoreDlg::FillList(CListCtrl& list, const CString& firstHeading, const CObArray& documents) {
    list.SetExtendedStyle(list.GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    list.SetImageList(&m_imageList, LVSIL_SMALL);
    list.InsertColumn(0, firstHeading, LVCFMT_LEFT, 90);
    list.InsertColumn(1, "文档类型", LVCFMT_LEFT, 118);
    list.InsertColumn(2, "文件大小", LVCFMT_LEFT, 80);
    list.InsertColumn(3, "创建日期", LVCFMT_LEFT, 115);
    list.InsertColumn(4, "备注", LVCFMT_LEFT, 80);
    for (CObject* p : documents) {
        const auto* doc = static_cast<const CDocumentItem*>(p);
        const int row = list.InsertItem(list.GetItemCount(), doc->DocumentType, 0);
        list.SetItemText(row, 1, doc->FileType);
        list.SetItemText(row, 2, doc->FileBulk);
        list.SetItemText(row, 3, doc->FileDate);
        list.SetItemText(row, 4, doc->FileRemark);
    }
}

void CVersionStoreDlg::OnDestroy() {
    // The records belong to the caller.
    m_arrVersionDocuments.RemoveAll();
    m_arrTaskDocuments.RemoveAll();
    CDialog::OnDestroy();
}
