// CTaskRevSelectDlg ("选择任务版本"): picks one revision out of the revision tree of a project
// (TaskRevManage) or of a drawing (PartRevManage, "选择图纸版本"). After IDOK the chosen revision
// number and its path (the revisions above it, each followed by "\") are in m_strSelectedRev and
// m_strSelectedPath; both are empty when the user chose "无父版本".
#pragma once

#include "controls/TreeCtrlEx.h"
#include "controls/TreeStack.h"
#include "platform/base/Collections.h"
#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ImageList.h"

class CTaskRevSelectDlg : public CDialog {
public:
    explicit CTaskRevSelectDlg(CWnd* parent = nullptr);
    ~CTaskRevSelectDlg() override;

    int m_nTaskMode = 1; // 1: project revisions; 0: drawing revisions
    CString m_strCode;   // project number or part code
    CString m_strCurrentRev;
    CString m_strSelectedRev;
    CString m_strSelectedPath;
    int m_nHideNoParent = 0;

    CTreeCtrlEx m_tree;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void PostNcDestroy() override;
    afx_msg void OnNoParent();
    DECLARE_MESSAGE_MAP()

private:
    void LoadRevisions();
    void FindChildren(const CString& path);
    void BuildTree();
    CString DisplayText(const CString& number) const;
    CString StoredText(const CString& text) const;
    CTreeCursor InsertRevision(CTreeCursor parent, const CString& number);

    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    CImageList m_imageList;
    CStringArray m_arrPaths;
    CStringArray m_arrNumbers;
    CStringArray m_arrChildren;
    CTreeStack m_treeStack;
    CTreeStackItem m_spareItem;
    CTreeCursor m_rootItem;
};
