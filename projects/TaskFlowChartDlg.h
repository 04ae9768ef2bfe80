// CTaskFlowChartDlg ("任务流程图"): the project tasks of one level of a project's task tree (the
// given item and its siblings) as boxes of a flow chart at the positions stored in their rows,
// each joined to its predecessors. The chart is read-only; nothing is stored.
//
//   CTaskFlowChartDlg dlg(this);
//   dlg.m_strProjectPath = path;   // or set m_strProjectNo: path and name are read by it
//   dlg.m_strProjectName = name;
//   dlg.DoModal();
#pragma once

#include "platform/base/Collections.h"
#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"

class CFlowView;

// The point of a LeftTopPoint text "(x,y)"; 0,0 for an empty text.
CPoint ParseLeftTopPoint(const CString& text);

class CTaskFlowChartDlg : public CDialog {
public:
    static constexpr int kShowGridId = 1001;
    static constexpr int kDotLineId = 1002;
    static constexpr int kSnapId = 1003;
    static constexpr int kRowsId = 1004;
    static constexpr int kRowsSpinId = 1005;
    static constexpr int kColumnsId = 1006;
    static constexpr int kColumnsSpinId = 1007;
    static constexpr int kFrameId = 1008;
    static constexpr int kFlowViewId = 6000;

    explicit CTaskFlowChartDlg(CWnd* parent = nullptr);
    ~CTaskFlowChartDlg() override;

    CString m_strProjectPath;
    CString m_strProjectName;
    CString m_strProjectNo;

    int m_bShowGrid = 0;
    int m_bDotLine = 0;
    int m_bSnap = 0;
    int m_nRows = 6;
    int m_nColumns = 6;

    CFlowView* GetFlowView() const { return m_pFlowView; }
    const CStringArray& TaskNames() const { return m_arrNames; }

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void PostNcDestroy() override;
    afx_msg void OnGridChanged();
    afx_msg void OnSnapClicked();
    DECLARE_MESSAGE_MAP()

private:
    void ReadItem();
    void ReadSettings();
    void EnableGridControls();
    void ReadTasks();
    void BuildChart();

    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    int m_nDatabaseType = 0;
    CFlowView* m_pFlowView = nullptr;
    CStringArray m_arrNames;
    CStringArray m_arrManagers;
    CStringArray m_arrPredecessors;
    CStringArray m_arrPositions;
};
