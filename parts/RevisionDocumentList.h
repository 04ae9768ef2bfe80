// The document list of the revision browsers: the released documents of one revision, one row each.
#pragma once

#include "platform/base/Collections.h"
#include "platform/base/String.h"
#include "platform/ui/ListCtrl.h"

// Empties the list and rowFileNames, then shows the documents (CDocumentItem) whose revision is
// the given one (compared without regard to case), in the array's order: the description with
// the file's icon, then type, size, date and remark. The file name of each row is appended to
// rowFileNames, so that row n's file is rowFileNames[n].
void FillRevisionDocumentList(CListCtrl& list, const CObArray& documents, const CString& revision,
                              CStringArray& rowFileNames);
