// CPartDesignHistoryDlg ("零部件设计历史"): the design documents recorded for one part in the
// work tasks of the work groups (TeamWorkResult rows joined with their TeamWorkManage task),
// limited to tasks that began within a date range. From a row the user opens the document's
// properties, its review flow chart or its review results. The entry function
// ShowPartECODesignHistory opens it for a part code.
#pragma once

#include "platform/base/Time.h"
#include "platform/db/Ado.h"
#include "platform/ui/DateTimeCtrl.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ListCtrl.h"

class CPartDesignHistoryDlg : public CDialog {
public:
    enum { IDD = 6025 };
    static constexpr int kFrameId = 1501;
    static constexpr int kPartCodeId = 1502;
    static constexpr int kPartNameId = 1503;
    static constexpr int kPartButtonId = 1504;
    static constexpr int kListId = 1505;
    static constexpr int kDocPropId = 1506;
    static constexpr int kAuditFlowId = 1507;
    static constexpr int kAuditResultId = 1508;
    static constexpr int kSearchModeId = 1509;
    static constexpr int kDateFromId = 1510;
    static constexpr int kDateToId = 1511;

    explicit CPartDesignHistoryDlg(CWnd* parent = nullptr);

    CString m_strPartCode;
    CString m_strPartName;
    BOOL m_bSearchMode = 1;
    CDateTimeCtrl m_ctlDateFrom;
    CDateTimeCtrl m_ctlDateTo;
    CListCtrl m_list;

    // The condition on A.BeginTime for a range of days: after the start day (as text) and before
    // the day after the end day; the start day alone when the start is the day after the end.
    // A start later still gives no condition and sets *reversed.
    static CString DateCondition(const COleDateTime& from, const COleDateTime& to, bool* reversed);
    // The statement of the list for the part and a condition (empty: none).
    CString BuildLoadSql(const CString& condition) const;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnPickPart();
    void OnDocProperty();
    void OnAuditFlow();
    void OnAuditResult();
    void OnDblClick(NMHDR* pNMHDR, LRESULT* pResult);
    DECLARE_MESSAGE_MAP()

private:
    void LoadList();
    // The file id (column 2) of the first selected row; empty without one.
    CString SelectedFileId() const;

    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
};
