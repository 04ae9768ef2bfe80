// Combo boxes: a drop-down list (CBS_DROPDOWNLIST) or a drop-down with an edit field (CBS_DROPDOWN).
#pragma once

#include "platform/ui/Wnd.h"

#include <vector>

class CComboBox : public CWnd {
public:
    vq::ControlKind GetControlKind() const override;
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);

    int GetCount() const { return static_cast<int>(m_items.size()); }
    // Adds at the end, or in sorted place with CBS_SORT; the index, or CB_ERR.
    int AddString(LPCTSTR text);
    int InsertString(int index, LPCTSTR text); // -1: at the end
    int DeleteString(UINT index);              // the count left, or CB_ERR
    void ResetContent();
    int GetCurSel() const { return m_curSel; }
    // Selects (no notification) and shows the entry in the field; -1 clears. CB_ERR for a bad index.
    int SetCurSel(int index);
    int GetLBText(int index, CString& text) const;
    CString GetLBText(int index) const;
    int GetLBTextLen(int index) const;
    DWORD_PTR GetItemData(int index) const;
    int SetItemData(int index, DWORD_PTR data);
    void* GetItemDataPtr(int index) const { return reinterpret_cast<void*>(GetItemData(index)); }
    int SetItemDataPtr(int index, void* data) {
        return SetItemData(index, reinterpret_cast<DWORD_PTR>(data));
    }
    // First entry after `startAfter` (-1: from the top) that begins with text, ignoring ASCII case.
    int FindString(int startAfter, LPCTSTR text) const;
    int FindStringExact(int startAfter, LPCTSTR text) const;
    int SelectString(int startAfter, LPCTSTR text);
    BOOL LimitText(int maxBytes);
    int SetDroppedWidth(UINT width);
    int GetDroppedWidth() const { return m_droppedWidth; }
    void ShowDropDown(BOOL show = TRUE);
    BOOL GetDroppedState() const { return m_dropped; }
    BOOL SetEditSel(int start, int end) { return TRUE; }
    bool HasEditField() const { return (m_style & 0x3) != CBS_DROPDOWNLIST; }

    // A person opens the list and picks entry `index`: CBN_DROPDOWN, CBN_SELCHANGE, CBN_SELENDOK
    // and CBN_CLOSEUP. Returns false for a bad index or a disabled box.
    bool UserSelect(int index);
    // A person types into the edit field (CBN_EDITUPDATE, CBN_EDITCHANGE); false without one.
    bool UserSetText(const CString& text);

    void InitFromTemplate(const vq::ControlTemplate& item) override;

protected:
    void ClearState() override;

private:
    struct Item {
        CString text;
        DWORD_PTR data = 0;
    };
    std::vector<Item> m_items;
    int m_curSel = -1;
    int m_limit = 0;
    int m_droppedWidth = 0;
    bool m_dropped = false;
};
