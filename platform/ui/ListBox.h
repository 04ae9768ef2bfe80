// List boxes: single or multiple selection.
#pragma once

#include "platform/ui/Wnd.h"

#include <vector>

class CListBox : public CWnd {
public:
    vq::ControlKind GetControlKind() const override { return vq::ControlKind::ListBox; }
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);

    int GetCount() const { return static_cast<int>(m_items.size()); }
    int AddString(LPCTSTR text);
    int InsertString(int index, LPCTSTR text);
    int DeleteString(UINT index);
    void ResetContent();
    int GetText(int index, CString& text) const;
    CString GetText(int index) const;
    int GetTextLen(int index) const;
    DWORD_PTR GetItemData(int index) const;
    int SetItemData(int index, DWORD_PTR data);
    void* GetItemDataPtr(int index) const { return reinterpret_cast<void*>(GetItemData(index)); }
    int SetItemDataPtr(int index, void* data) {
        return SetItemData(index, reinterpret_cast<DWORD_PTR>(data));
    }
    int FindString(int startAfter, LPCTSTR text) const;
    int FindStringExact(int startAfter, LPCTSTR text) const;
    int SelectString(int startAfter, LPCTSTR text);

    bool IsMultipleSelection() const { return (m_style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0; }
    // Single selection
    int GetCurSel() const;
    int SetCurSel(int index);
    // Multiple selection (GetSel also answers for single selection)
    int GetSel(int index) const;
    int SetSel(int index, BOOL select = TRUE); // -1: every entry
    int GetSelCount() const;
    int GetSelItems(int maxItems, LPINT items) const;
    int GetCaretIndex() const { return m_caret; }
    int SetCaretIndex(int index, BOOL scroll = TRUE);
    int GetTopIndex() const { return m_top; }
    int SetTopIndex(int index);
    void SetHorizontalExtent(int extent) {}

    // A person clicks entry index (with Ctrl in a multiple-selection box: toggles it): LBN_SELCHANGE.
    bool UserSelect(int index, bool toggle = false);
    // A person double-clicks entry index: selects it, then LBN_DBLCLK.
    bool UserDoubleClick(int index);

protected:
    void ClearState() override;

private:
    struct Item {
        CString text;
        DWORD_PTR data = 0;
        bool selected = false;
    };
    std::vector<Item> m_items;
    int m_caret = -1;
    int m_top = 0;
};
