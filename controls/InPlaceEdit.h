// CInPlaceEdit: the editor a report list opens over one cell. It is created with `new` by the
// list, reports the new text (or a cancel) with an end-label-edit notification when it loses the
// focus, and deletes itself when its window is destroyed.
#pragma once

#include "platform/ui/Edit.h"
#include "platform/ui/ListCtrl.h"

// The control id of the editor.
constexpr UINT kInPlaceEditId = 6001;

// A list that takes the end of an in-place edit itself: the editor's notification reaches it
// as the list's own reflected notification, and the dialog does not see it.
class CInPlaceEditOwner {
public:
    virtual void OnEndLabelEdit(NMHDR* header, LRESULT* result) = 0;

protected:
    ~CInPlaceEditOwner() = default;
};

class CInPlaceEdit : public CEdit {
public:
    CInPlaceEdit(int row, int column, const CString& initialText);

    BOOL PreTranslateMessage(MSG* msg) override;

    int m_row;
    int m_column;
    CString m_initialText;
    BOOL m_cancelled = FALSE;

protected:
    int OnCreate(void* createStruct) override;
    void OnKeyDown(UINT key, UINT repeat, UINT flags) override;
    void OnKillFocus(CWnd* newWnd) override;
    void PostNcDestroy() override;

private:
    void FitText();

    DECLARE_MESSAGE_MAP()
};

// The helpers both editing lists share.
namespace vq {
// The row under a client point, with the column in *column; -1 when none. Report view scans the
// visible rows and walks the columns of the row that holds the point.
int ListHitTestEx(CListCtrl& list, CPoint point, int* column);

// How a list opens its editor.
struct InPlaceEditRules {
    bool partialRowOk;    // a partly visible row may be edited
    bool scrollWholeCell; // scroll when the whole cell is not in view (else only its left edge)
};
// Opens an editor over (row, column) of the list: null when the row cannot be made visible, the
// column does not exist or is narrower than 5 pixels.
CInPlaceEdit* OpenInPlaceEdit(CListCtrl& list, int row, int column, const InPlaceEditRules& rules);
// True when column is one of the editable columns.
bool IsEditColumn(const CUIntArray& columns, int column);
} // namespace vq
