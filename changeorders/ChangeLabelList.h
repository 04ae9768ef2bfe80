// What the change-label windows of parts and of change orders share: the label list (its report
// style, icon and columns), reading label rows into it, the progress window shown while a drawing
// and its labels are read, and the selection filter of the list's change notices.
#pragma once

#include "platform/base/Collections.h"
#include "platform/base/String.h"
#include "platform/db/Ado.h"
#include "platform/ui/DialogTemplate.h"

#include <utility>
#include <vector>

class CSortListCtrl;
class CImageList;
class CListCtrl;
class CProgressDlg;
struct NMHDR;

// The report list control of a label list at the given size.
vq::ControlTemplate ChangeLabelListTemplate(int id, UINT layout, int width, int height);

// The controls of a label maintenance window: the label list under its hint and the viewer under
// the list filling the rest; in the column on the right the buttons "增加...", "修改...",
// "删除..." (the last two disabled), the check box "检查标记" and "退出" (at the top when
// `exitFirst`, else after the check box), then the window's own `head` (what it shows the labels
// of; its controls are marked for the column by the caller).
std::vector<vq::ControlTemplate> ChangeLabelMaintainControls(std::vector<vq::ControlTemplate> head,
                                                             int listId, int addId, int modifyId,
                                                             int deleteId, int checkId, int viewerId,
                                                             bool exitFirst);

// Grid lines, full-row selection, the label icon (created in `rows`) and the columns: with `full`
// "更改标记", "更改分区", "更改处数", "文件号", "更改人", "更改日期" (the maintenance windows), else
// "更改标记", "分区", "处数" (the browsers).
void SetUpChangeLabelList(CSortListCtrl& list, CImageList& rows, bool full);
// The header's sort-arrow images, created in `arrows`.
void SetUpSortArrows(CSortListCtrl& list, CImageList& arrows);

// Adds the rows the statement reads to the list, `columns` values each, with CItemText records
// kept in `records`. A database error is shown and leaves the rows read so far.
void ReadChangeLabelRows(CListCtrl& list, const CString& sql, const _ConnectionPtr& connection, int closeMode,
                         int columns, CPtrArray& records);

// Reads the rectangle of a part revision's label into `area` (left x, left y, right x, right y);
// false after a message when the label has no row or the read fails.
bool ReadPartLabelArea(const _ConnectionPtr& connection, int closeMode, const CString& partCode,
                       const CString& revision, const CString& label, double area[4]);

// TRUE for a list change notice of a row that becomes selected; the deselection of the row before
// it changes nothing.
bool IsRowNewlySelected(const NMHDR* pNMHDR);

// The progress window shown (at 3 of 10, with `text`) while a drawing and its labels are read;
// hidden and destroyed when the object goes.
class CLabelProgress {
public:
    explicit CLabelProgress(const char* text);
    ~CLabelProgress();
    CLabelProgress(const CLabelProgress&) = delete;
    CLabelProgress& operator=(const CLabelProgress&) = delete;
    void SetPos(int pos);

private:
    CProgressDlg* m_dlg;
};

class CSqlTransaction;

// Inside the caller's transaction, before the label of a list row is deleted: takes the lock the
// label form takes on the label's row (the table and its key, the label last) and reads the row
// again. False, after one box (shown once the transaction has ended), when another client deleted
// the label or changed one of the listed fields since the list showed them; or after a failed
// lock or read (shown).
bool LockLabelAsListed(CSqlTransaction& transaction, const CListCtrl& list, int row, const CString& table,
                       const std::vector<std::pair<CString, CString>>& key);
