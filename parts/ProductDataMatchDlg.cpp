#include "parts/ProductDataMatchDlg.h"

#include "core/InstallPath.h"
#include "platform/base/File.h"
#include "platform/base/Folders.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/ui/DataExchange.h"

#include <cstdio>

namespace {

const vq::DialogTemplate kDataMatchTemplate{
    "产品数据匹配",
    {vq::ReportList(1000), vq::PushButton(1338, "设置 ->", vq::kBeside),
     vq::PushButton(1161, "<- 清空", vq::kBeside), vq::ListBox(1092, vq::kBeside),
     vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消", vq::kBeside)}};

constexpr const char* kBlockStart = "[配置属性]";
constexpr const char* kBlockEnd = "[结束]";

} // namespace

BEGIN_MESSAGE_MAP(CProductDataMatchDlg, CDialog)
    ON_BN_CLICKED(1338, &CProductDataMatchDlg::OnAssign)
    ON_LBN_DBLCLK(1092, &CProductDataMatchDlg::OnAssign)
    ON_BN_CLICKED(1161, &CProductDataMatchDlg::OnClear)
    ON_NOTIFY(LVN_ITEMCHANGED, 1000, &CProductDataMatchDlg::OnItemChangedColumns)
END_MESSAGE_MAP()

CProductDataMatchDlg::CProductDataMatchDlg(CWnd* parent) : CDialog(kDataMatchTemplate, parent) {}

const CStringArray& CProductDataMatchDlg::Attributes(BOOL withLevel) {
    static const CStringArray plain = [] {
        CStringArray a;
        for (const char* name :
             {"父图号", "父图名", "序号", "图号", "图名", "图幅", "材料", "数量", "重量", "规格", "类型",
              "备注", "其他1", "其他2", "标题其他1", "标题其他3", "标题其他4", "标题其他5"})
            a.Add(name);
        return a;
    }();
    static const CStringArray leveled = [] {
        CStringArray a;
        a.Copy(plain);
        a.Add("装配级别");
        return a;
    }();
    return withLevel ? leveled : plain;
}

void CProductDataMatchDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, 1000, m_listColumns);
    DDX_Control(pDX, 1092, m_listAttributes);
}

BOOL CProductDataMatchDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CWaitCursor wait;
    m_listColumns.SetExtendedStyle(m_listColumns.GetExtendedStyle() | LVS_EX_GRIDLINES |
                                   LVS_EX_FULLROWSELECT);
    m_listColumns.InsertColumn(0, "明细项", LVCFMT_LEFT, 110);
    m_listColumns.InsertColumn(1, "对应属性", LVCFMT_LEFT, 120);
    for (int i = 0; i < m_arrSourceColumns.GetSize(); ++i)
        m_listColumns.InsertItem(i, m_arrSourceColumns[i]);
    if (m_listColumns.GetItemCount() > 0)
        m_listColumns.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);

    const CStringArray& attributes = Attributes(m_nWithLevel);
    for (int i = 0; i < attributes.GetSize(); ++i)
        m_listAttributes.AddString(attributes[i]);
    m_listAttributes.SetCurSel(0);

    ReadMatchFile();
    int n = std::min(m_arrResults.GetSize(), attributes.GetSize());
    for (int i = 0; i < n && i < m_listColumns.GetItemCount(); ++i)
        m_listColumns.SetItemText(i, 1, m_arrResults[i]);
    return TRUE;
}

void CProductDataMatchDlg::ReadMatchFile() {
    char folder[MAX_PATH] = "";
    m_arrResults.RemoveAll();
    m_strMatchFile.Empty();
    if (!GetInstallFilePath("QENT\\SPT\\", folder))
        return;
    m_strMatchFile = CString(folder) + "vqbomspt.ini";
    std::FILE* file = std::fopen(vq::NativePath(m_strMatchFile), "rb");
    if (!file)
        return;
    while (!std::feof(file) && !std::ferror(file)) {
        CString line = ReadFileLine(file);
        if (line.CompareNoCase(kBlockStart) != 0)
            continue;
        while (true) {
            CString entry = ReadFileLine(file);
            // The end of the file inside the block ends the reading; that last read is dropped.
            if (std::feof(file) || std::ferror(file))
                break;
            if (entry == kBlockEnd)
                break;
            m_arrResults.Add(entry);
        }
    }
    std::fclose(file);
}

void CProductDataMatchDlg::OnItemChangedColumns(NMHDR* pNMHDR, LRESULT* pResult) {
    auto* info = reinterpret_cast<NMLISTVIEW*>(pNMHDR);
    m_nSelectedRow = info->iItem;
    *pResult = 0;
}

void CProductDataMatchDlg::OnAssign() {
    if (m_nSelectedRow < 0 || m_nSelectedRow >= m_listColumns.GetItemCount()) {
        AfxMessageBox("请先选择明细列项...");
        return;
    }
    int sel = m_listAttributes.GetCurSel();
    if (sel >= 0)
        m_listColumns.SetItemText(m_nSelectedRow, 1, m_listAttributes.GetText(sel));
}

void CProductDataMatchDlg::OnClear() {
    if (m_nSelectedRow < 0 || m_nSelectedRow >= m_listColumns.GetItemCount()) {
        AfxMessageBox("请先选择明细列项...");
        return;
    }
    m_listColumns.SetItemText(m_nSelectedRow, 1, "");
}

void CProductDataMatchDlg::OnOK() {
    m_arrResults.RemoveAll();
    CString out = CString(kBlockStart) + "\n";
    for (int i = 0; i < m_listColumns.GetItemCount(); ++i) {
        CString attribute = m_listColumns.GetItemText(i, 1);
        m_arrResults.Add(attribute);
        out += attribute + "\n";
    }
    out += CString(kBlockEnd) + "\n";
    // The old matching stays whole when the new one cannot be written (a full disk), and the
    // dialog stays open: the user learns that it was not kept.
    if (m_strMatchFile.IsEmpty() || !vq::ReplaceFileContent(m_strMatchFile, vq::TextFileBytes(out.str()))) {
        m_arrResults.RemoveAll();
        CString text;
        text.Format("文件: %s 打不开!", m_strMatchFile);
        AfxMessageBox(text);
        return;
    }
    EndDialog(IDOK);
}
