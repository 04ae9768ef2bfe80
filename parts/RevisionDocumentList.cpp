#include "parts/RevisionDocumentList.h"

#include "controls/SysImageList.h"
#include "parts/DocumentItem.h"

void FillRevisionDocumentList(CListCtrl& list, const CObArray& documents, const CString& revision,
                              CStringArray& rowFileNames) {
    list.DeleteAllItems();
    rowFileNames.RemoveAll();
    for (CObject* p : documents) {
        const auto* doc = static_cast<const CDocumentItem*>(p);
        if (doc->RevNumber.CompareNoCase(revision) != 0)
            continue;
        rowFileNames.Add(doc->FileName);
        const int row =
            list.InsertItem(list.GetItemCount(), doc->DocumentType, CSysImageList::GetIconIndex(doc->FileName));
        list.SetItemText(row, 1, doc->FileType);
        list.SetItemText(row, 2, doc->FileBulk);
        list.SetItemText(row, 3, doc->FileDate);
        list.SetItemText(row, 4, doc->FileRemark);
    }
}
