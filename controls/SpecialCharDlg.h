// CSpecialCharDlg: picks one special character (or a short text such as a fraction) from the
// user-maintained list in the installation's "qent\spt\vqpchar.txt". In edit mode the user adds,
// changes and deletes entries and saves the file.
//
// The file (code page 936): lines before "[开始]" are ignored; the lines up to "[结束]" are the
// entries; further blocks are appended. It is written back as one block.
#pragma once

#include "controls/CharGridCtrl.h"
#include "platform/base/Collections.h"
#include "platform/ui/Dialog.h"

class CSpecialCharDlg : public CDialog {
public:
    enum { IDD = 30027 };
    static constexpr int kMaxEntries = 200;
    static constexpr int kRows = 20;
    static constexpr int kColumns = 10;

    explicit CSpecialCharDlg(CWnd* parent = nullptr);

    CCharGridCtrl m_grid;
    int m_bEditMode = 0;   // check box "编 辑"
    CString m_strChar;     // the chosen text after OK
    COLORREF m_crText = 0; // text colour of new cells
    int m_bModified = 0;   // set by every add, change and delete
    CStringArray m_arrChars;

    // The path of the special characters file.
    static CString GetCharFilePath();
    // Reads the entries of the file's blocks (nothing when it cannot be opened).
    static void ReadCharFile(const CString& path, CStringArray& entries);
    // Writes the entries as one block; false when the file cannot be opened for writing.
    static bool WriteCharFile(const CString& path, const CStringArray& entries);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnEditMode();
    void OnAdd();
    void OnChange();
    void OnDelete();
    void OnSave();
    LRESULT OnCellSelected(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

private:
    void ApplyEditMode();
    void EnableChangeButtons(BOOL enable);
    void EntriesFromGrid();
    void Save();
};
