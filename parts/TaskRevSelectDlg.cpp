#include "parts/TaskRevSelectDlg.h"
#include "parts/RevisionPaths.h"

#include "core/ComError.h"
#include "core/Revision.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/ui/DC.h"
#include "platform/ui/DataExchange.h"

namespace {

constexpr int kNoParentButton = 1020;
constexpr int kPromptLabel = 1021;

const vq::DialogTemplate kTaskRevSelectTemplate{
    "选择任务版本",
    {vq::Label("请选择任务版本号:", vq::kNoLayoutFlags, 0, kPromptLabel), vq::Tree(1009, vq::kFill),
     vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消", vq::kBeside),
     vq::PushButton(kNoParentButton, "无父版本", vq::kBeside)}};

} // namespace

BEGIN_MESSAGE_MAP(CTaskRevSelectDlg, CDialog)
    ON_BN_CLICKED(kNoParentButton, &CTaskRevSelectDlg::OnNoParent)
END_MESSAGE_MAP()

CTaskRevSelectDlg::CTaskRevSelectDlg(CWnd* parent) : CDialog(kTaskRevSelectTemplate, parent) {
    m_treeStack.Init();
}

CTaskRevSelectDlg::~CTaskRevSelectDlg() = default;

void CTaskRevSelectDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, 1009, m_tree);
}

void CTaskRevSelectDlg::PostNcDestroy() {
    m_arrPaths.RemoveAll();
    m_arrNumbers.RemoveAll();
    m_arrChildren.RemoveAll();
    CDialog::PostNcDestroy();
}

CString CTaskRevSelectDlg::DisplayText(const CString& number) const {
    return m_nTaskMode ? number : GetNextRevision(number, 1);
}

CString CTaskRevSelectDlg::StoredText(const CString& text) const {
    return m_nTaskMode ? text : GetNextRevision(text, 2);
}

BOOL CTaskRevSelectDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CWaitCursor wait;
    m_pConnection = theApp.m_pConnPDM;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    m_imageList.Create(130, 16, 0, RGB(255, 0, 255));
    m_imageList.SetBkColor(::GetSysColor(COLOR_WINDOW));
    m_tree.SetImageList(&m_imageList, TVSIL_NORMAL);
    if (m_nHideNoParent == 1)
        GetDlgItem(kNoParentButton)->ShowWindow(SW_HIDE);
    if (!m_nTaskMode) {
        SetWindowText("选择图纸版本");
        SetDlgItemText(kPromptLabel, "请选择图纸版本号:");
    }
    if (m_strCode.IsEmpty()) {
        GetDlgItem(IDOK)->EnableWindow(FALSE);
        return TRUE;
    }
    LoadRevisions();
    BuildTree();
    return TRUE;
}

void CTaskRevSelectDlg::LoadRevisions() {
    CString sql;
    if (m_nTaskMode)
        sql.Format("SELECT DISTINCT RevPath,RevNumber FROM TaskRevManage WHERE ProjectNo='%s' ORDER BY "
                   "RevPath,RevNumber",
                   SqlQuote(m_strCode));
    else
        sql = PartRevisionPathsSql(m_strCode);
    ReadRevisionPaths(m_pConnection, m_nAdoCloseMode, sql, m_arrPaths, m_arrNumbers);
}

void CTaskRevSelectDlg::FindChildren(const CString& path) {
    m_arrChildren.RemoveAll();
    bool matched = false;
    for (int i = 0; i < m_arrPaths.GetSize(); ++i) {
        if (m_arrPaths[i] == path) {
            m_arrChildren.Add(m_arrNumbers[i]);
            matched = true;
        } else if (matched) {
            break;
        }
    }
}

CTreeCursor CTaskRevSelectDlg::InsertRevision(CTreeCursor parent, const CString& number) {
    const int image = number.CompareNoCase(m_strCurrentRev) == 0 ? 2 : 0;
    return m_tree.InsertItem(parent, DisplayText(number), image);
}

void CTaskRevSelectDlg::BuildTree() {
    const CString root = (m_nTaskMode ? "项目 " : "图纸 ") + m_strCode + " 的版本信息...";
    m_rootItem = m_tree.InsertItem(CTreeCursor(), root, 4);
    FindChildren("");
    const CStringArray tops = m_arrChildren;
    for (int i = 0; i < tops.GetSize(); ++i) {
        CTreeCursor node = InsertRevision(m_rootItem, tops[i]);
        m_treeStack.Init();
        CString path = tops[i] + "\\";
        for (;;) {
            FindChildren(path);
            const CStringArray children = m_arrChildren;
            for (int c = 0; c < children.GetSize(); ++c) {
                CTreeCursor child = InsertRevision(node, children[c]);
                m_treeStack.Push(child, path + children[c] + "\\", "", 0);
            }
            if (m_treeStack.IsEmpty())
                break;
            m_spareItem = m_treeStack.GetTop();
            m_treeStack.Drop();
            node = m_spareItem.m_cursor;
            path = m_spareItem.m_code;
        }
    }
    if (tops.GetSize() == 0) {
        m_tree.InsertItem(m_rootItem, "无版本信息，请创建!", 6);
        GetDlgItem(IDOK)->EnableWindow(FALSE);
    }
    m_tree.Expand(m_rootItem, TVE_EXPAND);
    m_tree.SelectItem(m_rootItem);
}

void CTaskRevSelectDlg::OnOK() {
    CTreeCursor node = m_tree.GetSelectedItem();
    if (!node.m_item || node == m_rootItem || !m_rootItem.m_item) {
        AfxMessageBox(m_nTaskMode ? "请选择任务版本号!" : "请选择图纸版本号!");
        return;
    }
    m_strSelectedRev = StoredText(node.GetText());
    m_strSelectedPath.Empty();
    for (CTreeCursor up = node.GetParent(); up.m_item && !(up == m_rootItem); up = up.GetParent())
        m_strSelectedPath = StoredText(up.GetText()) + "\\" + m_strSelectedPath;
    EndDialog(IDOK);
}

void CTaskRevSelectDlg::OnNoParent() {
    m_strSelectedRev.Empty();
    m_strSelectedPath.Empty();
    EndDialog(IDOK);
}
