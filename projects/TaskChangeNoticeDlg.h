// CTaskChangeNoticeDlg ("任务更改通知单"): the change content of a task as a rich text that the
// user may edit, load from an .rtf file, save as one and format through a menu under the right
// mouse button. After OK the text member holds the edited plain text; nothing is stored.
//
//   CTaskChangeNoticeDlg dlg(this);
//   dlg.m_strTaskNo = number; dlg.m_strWorkState = state;
//   dlg.m_strTaskName = name; dlg.m_strProjectPath = path;
//   dlg.m_strText = text;
//   dlg.DoModal();
#pragma once

#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/RichEditCtrl.h"

class CTaskChangeNoticeDlg;

// The text control of the form: it passes the right mouse press and the Enter key to the form.
class CChangeNoticeText : public CRichEditCtrl {
public:
    CTaskChangeNoticeDlg* m_pForm = nullptr;

protected:
    void OnRButtonDown(UINT flags, CPoint point) override;
    void OnKeyDown(UINT key, UINT repeat, UINT flags) override;

    DECLARE_MESSAGE_MAP()
};

class CTaskChangeNoticeDlg : public CDialog {
public:
    static constexpr int kNumberId = 1001;
    static constexpr int kStateId = 1002;
    static constexpr int kDateId = 1003;
    static constexpr int kTextLabelId = 1004;
    static constexpr int kTextId = 1005;
    static constexpr int kOpenId = 1006;
    static constexpr int kSaveId = 1007;
    // Commands of the format menu.
    static constexpr UINT kFontCommand = 32801;
    static constexpr UINT kLeftCommand = 32802;
    static constexpr UINT kCenterCommand = 32803;
    static constexpr UINT kRightCommand = 32804;
    static constexpr UINT kBulletCommand = 32805;

    explicit CTaskChangeNoticeDlg(CWnd* parent = nullptr);

    CString m_strTaskNo;
    CString m_strWorkState;
    CString m_strTaskName;
    CString m_strProjectPath;
    CString m_strText;

    CChangeNoticeText& TextControl() { return m_text; }
    // The format menu at a point of the text control (client coordinates).
    void ShowFormatMenu(CPoint point);
    // Enter in the text: a line break in place of the selection.
    void InsertLineBreak();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    afx_msg void OnOpenFile();
    afx_msg void OnSaveFile();
    DECLARE_MESSAGE_MAP()

private:
    void ReadTaskRow();
    void ChooseFont();
    void SetAlignment(WORD alignment);
    void ToggleBullet();
    bool LoadRtfFile(const CString& path);
    bool SaveRtfFile(const CString& path);

    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    bool m_bRowFound = false;
    CString m_strDate;
    CChangeNoticeText m_text;
};
