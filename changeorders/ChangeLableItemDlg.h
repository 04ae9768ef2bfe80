// CChangeLableItemDlg: one change label of a drawing, shown, checked and stored. A change label is
// a short mark (a number, a letter or a special character) with descriptive fields and the
// rectangle of the drawing that shows the changed place, in the drawing viewer's coordinates.
//
// One dialog serves both label tables; the constructor chooses which:
// - ChangeLabelTable::Part: PartChangeLabel, keyed by m_strPartCode and m_strRevNo (template 151,
//   "图纸更改标记项");
// - ChangeLabelTable::ChangeOrderDocument: ECOFileChangeLabel, keyed by m_strECOGroup, m_strECONo
//   and m_strDocType (template 30031, "设计更改标记项").
// Within its drawing a label's mark is unique (the schema holds a unique key on the key columns and
// ChangeLabel); every coordinate is stored as text with "%2f".
//
//   CChangeLableItemDlg dlg;                  // a new label of a part revision
//   dlg.m_strPartCode = partCode;
//   dlg.m_strRevNo = revision;
//   viewer.GetViewExtents(dlg.m_dLeftX, dlg.m_dLeftY, dlg.m_dRightX, dlg.m_dRightY);
//   if (dlg.DoModal() == IDOK) ... dlg.m_strChangeLabel, m_strChangeArea, m_strChangeCount,
//                                  m_strFileSerial, m_strChanger, m_strChangeDate
//
// An existing label: m_bNewLabel = 0 and m_strChangeLabel set; with m_bUseViewRect = 1 the
// rectangle the caller put into m_dLeftX.. replaces the stored one. m_bReadOnly = 1 shows it only
// (unless m_bEditOverride is set). OK writes at once; Cancel never writes.
#pragma once

#include "core/StoredRowEdit.h"
#include "platform/base/Collections.h"
#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"

#include <memory>
#include <vector>

enum class ChangeLabelTable { Part, ChangeOrderDocument };

class CChangeLableItemDlg : public CDialog {
public:
    enum { IDD = 151, IDD_ECO = 30031 };
    static constexpr int kLabelId = 1001;
    static constexpr int kLabelCharId = 1002; // "..." beside the mark
    static constexpr int kAreaId = 1003;
    static constexpr int kCountId = 1004;
    static constexpr int kFileSerialId = 1005;
    static constexpr int kChangerId = 1006;
    static constexpr int kChangerPickId = 1007; // "..." beside the changer
    static constexpr int kDateId = 1008;
    static constexpr int kResionId = 1009;
    static constexpr int kContentId = 1010;
    static constexpr int kRemarkId = 1011;

    explicit CChangeLableItemDlg(CWnd* parent = nullptr, ChangeLabelTable table = ChangeLabelTable::Part);

    // The fields, bound to the edits.
    CString m_strChangeArea;  // "更改分区："
    CString m_strContent;     // "更改内容：", several lines
    CString m_strChangeCount; // "更改处数："
    CString m_strChangeDate;  // "更改日期："
    CString m_strChangeLabel; // "更改标记：", the mark; preset for an existing label
    CString m_strChanger;     // "更改者：", read-only, chosen through the user picker
    CString m_strRemark;      // "备   注："
    CString m_strResion;      // "更改原因："
    CString m_strFileSerial;  // "涉及文件号："

    int m_bNewLabel = 1;     // 1 adds a label, 0 opens m_strChangeLabel
    int m_bReadOnly = 0;     // shows the label only
    int m_bUseViewRect = 0;  // an existing label takes the working rectangle instead of its own
    int m_bEditOverride = 0; // keeps the fields editable although m_bReadOnly is set

    // The key of the drawing: part code and revision, or the change order's group, number and
    // document type, as the table chosen at construction needs.
    CString m_strPartCode;
    CString m_strRevNo;
    CString m_strECOGroup;
    CString m_strECONo;
    CString m_strDocType;

    // The working rectangle: what OK stores.
    double m_dLeftX = 0, m_dLeftY = 0, m_dRightX = 0, m_dRightY = 0;

    ChangeLabelTable Table() const { return m_table; }
    const CString& OldLabel() const { return m_strOldLabel; }
    // The rectangle as read from the table (0 for a new label).
    double m_dStoredLeftX = 0, m_dStoredLeftY = 0, m_dStoredRightX = 0, m_dStoredRightY = 0;

    // Reads the label named by the key and m_strChangeLabel into the fields and the stored
    // rectangle; disables OK when there is no such row or the read fails.
    void LoadLabel();
    // 1 when a row with the key and the mark as now typed exists, else 0.
    virtual int CountLabels();

    // A coordinate as the statements write it: "%2f" (12.5 gives "12.500000").
    static CString FormatCoordinate(double value);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnPickLabelChar();
    void OnBrowseChanger();
    DECLARE_MESSAGE_MAP()

private:
    // The table's name and "Col='v' AND .." of the key columns (values quoted).
    CString TableName() const;
    CString KeyCondition() const;
    bool KeyComplete() const;
    CString InsertSql() const;
    // The label's fields as the dialog shows them now, each as OK writes it.
    std::vector<StoredField> StoredFields() const;
    // Under the label's lock, the fields the user changed over the row as stored now; false
    // (shown) when another client changed the same field or deleted the label, or the write
    // failed.
    bool StoreChanges();
    // Runs a statement that writes the label; false after telling why.
    bool Write(const CString& sql, bool checkUnique);
    void MakeReadOnly();

    ChangeLabelTable m_table;
    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    int m_nDatabaseType = 0;
    CString m_strOldLabel; // the mark when the dialog opened; the key of the row an update writes
    std::unique_ptr<CStoredRowEdit> m_storedRow; // the existing label as the dialog read it
};

class CListCtrl;

// Shows a label as the item dialog left it in row `row` of a label list (label, area, count, file
// serial, changer, date) and keeps a CItemText record of the row's texts in `records` as the
// row's item data (for sorting).
void ShowLabelRow(CListCtrl& list, int row, const CChangeLableItemDlg& item, CPtrArray& records);
