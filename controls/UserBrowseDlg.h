// CUserBrowseDlg: picks one registered user, or several users of one user group, from the
// user table. The group list on the right filters the user list; the pseudo-group
// "所有用户..." lists everybody.
#pragma once

#include "controls/ResizeCtrl.h"
#include "controls/SortListCtrl.h"
#include "platform/base/Collections.h"
#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ImageList.h"
#include "platform/ui/ListBox.h"

#include <vector>

// One user as read from UserInformation.
struct UserInfoRecord {
    CString m_strLogName;
    CString m_strUserName;
    CString m_strDescription;
    CString m_strGroupName; // one group, or several joined by "),("
};

class CUserBrowseDlg : public CDialog {
public:
    enum { IDD = 169 };
    static constexpr const char* kAllUsers = "所有用户...";

    explicit CUserBrowseDlg(CWnd* parent = nullptr);
    ~CUserBrowseDlg() override;

    // --- Set by the caller before DoModal
    int m_bMultiSelect = 0;   // 0: one user; otherwise the selected users of one group
    int m_bAllowAllUsers = 0; // with multi-select: whether "所有用户..." may be confirmed
    CString m_strCurGroup;    // the group entry last selected
    // --- Results of multi-select (same index)
    CStringArray m_arrLogNames;
    CStringArray m_arrUserNames;
    // Preset: the user to preselect; result of single select with m_strUserName.
    CString m_strLogName;
    CString m_strUserName;
    int m_nTeamType = 0; // 0: members of a project team; otherwise of a task team
    CString m_strTaskNo;
    CString m_strProjectNo;
    int m_bTeamFilter = 0; // nonzero: only the members of the team named above

    // True when a user's group text names the group: equal ignoring case, or the group joined
    // to others by "),(".
    static bool GroupTextNames(const CString& groupText, const CString& group);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnDestroy() override;
    void OnGroupChanged();
    void OnColumnClick(NMHDR* pNMHDR, LRESULT* pResult);
    void OnItemChanged(NMHDR* pNMHDR, LRESULT* pResult);
    void OnDblClick(NMHDR* pNMHDR, LRESULT* pResult);
    DECLARE_MESSAGE_MAP()

private:
    CString UserStatement() const;
    void ReadGroups();
    void ReadUsers();
    void FillList();
    void FreeItemTexts();

    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    int m_nDatabaseType = 0;
    int m_nCurRow = -1;
    CImageList m_imageRows;
    CImageList m_imageArrows;
    std::vector<UserInfoRecord> m_users;
    CResizeCtrl m_resize;
    CPtrArray m_itemTexts; // the CItemText behind each row
    CSortListCtrl m_list;
    CListBox m_groups;
};
