// CVersionStoreDlg ("版本存储"): the confirmation shown before the work documents of the current
// project task are stored into a task version. The caller copies its document records into the
// two arrays (the records stay the caller's) and stores the version after IDOK.
#pragma once

#include "platform/base/Collections.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ImageList.h"
#include "platform/ui/ListCtrl.h"

class CVersionStoreDlg : public CDialog {
public:
    explicit CVersionStoreDlg(CWnd* parent = nullptr);
    ~CVersionStoreDlg() override = default;

    CListCtrl m_listTaskDocuments;    // 1183 (upper)
    CListCtrl m_listVersionDocuments; // 1172 (lower)
    CObArray m_arrVersionDocuments;   // CDocumentItem, not owned
    CObArray m_arrTaskDocuments;      // CDocumentItem, not owned

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnDestroy() override;

private:
    void FillList(CListCtrl& list, const CString& firstHeading, const CObArray& documents);

    CImageList m_imageList;
};
