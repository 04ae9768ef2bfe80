// CTeamWorkPrintSearchDlg ("图纸申请下载情况查询"): searches the drawing download requests
// (TeamWorkPrintMain, with their drawings in TeamWorkPrintFile) by drawing number, applicant and
// apply-time range, lists one row per requested drawing, sorts by any column and exports the list
// to a comma-separated file. It changes nothing in the database.
//
//   CTeamWorkPrintSearchDlg dlg;
//   dlg.DrawingNo = drawingNo;   // optional filters shown in the dialog
//   dlg.Applicant = login;
//   dlg.DoModal();
#pragma once

#include "controls/SortListCtrl.h"
#include "controls/SysImageList.h"
#include "platform/base/Collections.h"
#include "platform/db/Ado.h"
#include "platform/ui/DateTimeCtrl.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ImageList.h"

#include <string>

class CTeamWorkPrintSearchDlg : public CDialog {
public:
    enum { IDD = 6026 };
    static constexpr int kDrawingNoId = 1022;
    static constexpr int kApplicantId = 1067;
    static constexpr int kListId = 1092;
    static constexpr int kPickPartId = 1151;
    static constexpr int kSearchModeId = 1177;
    static constexpr int kFromDateId = 1204;
    static constexpr int kFromTimeId = 1205;
    static constexpr int kToTimeId = 1206;
    static constexpr int kExportId = 1246;
    static constexpr int kToDateId = 1258;
    static constexpr int kPickUserId = 1309;
    static constexpr int kQueryId = 6095;
    static constexpr int kColumnCount = 14;

    explicit CTeamWorkPrintSearchDlg(CWnd* parent = nullptr);
    ~CTeamWorkPrintSearchDlg() override;

    CString DrawingNo; // drawing-number filter; empty: none
    CString Applicant; // applicant's login name; empty: none
    int SearchMode = 1; // 1: the part search dialog picks the drawing number; 0: the part browser

    // The condition of the query from the filters and the apply-time range (texts
    // "yyyy-mm-dd hh:mm:ss"); false after "开始时间与结束时间不匹配...", when no query may run.
    static bool BuildCondition(const CString& drawingNo, const CString& applicant, const CString& start,
                               const CString& end, CString& condition);
    // One line of the export: the cells in code page 936, separated by commas, ended by CR LF. A
    // cell holding a comma, a double quote or a line break is quoted, its quotes doubled.
    static std::string ExportLine(const CStringArray& cells);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void PostNcDestroy() override;
    afx_msg void OnQuery();
    afx_msg void OnPickPart();
    afx_msg void OnPickUser();
    afx_msg void OnExport();
    afx_msg void OnColumnClick(NMHDR* header, LRESULT* result);
    DECLARE_MESSAGE_MAP()

private:
    void RunQuery();
    void AddRow(const CStringArray& fields);
    void ClearRows();
    CString RangeText(CDateTimeCtrl& date, CDateTimeCtrl& time) const;
    std::string ExportText() const;

    CDateTimeCtrl m_fromTime;
    CDateTimeCtrl m_toTime;
    CSortListCtrl m_list;
    CDateTimeCtrl m_fromDate;
    CDateTimeCtrl m_toDate;
    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    CSysImageList m_sysImages;
    CPtrArray m_records; // CItemText per row: field 0 the row number, 1..13 the selected columns
    CImageList m_arrowImages;
};
