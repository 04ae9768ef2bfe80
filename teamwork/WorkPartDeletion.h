// Deleting one part from the structure of a work task: its link below its parent, and with it
// every link of the work's structure below the part, however deep (read from TeamWorkPartTree,
// not from what a tree window happens to show). The part rows (TeamWorkPart) go too, unless the
// part's design is already stored (it has a VqkorvelTeam_title row): then only the links go.
// All statements run in one transaction: a failure leaves every row as it was.
#pragma once

#include "platform/base/Collections.h"
#include "platform/base/String.h"

// The codes at or below `code` in the work's structure that have parts linked below them, the
// code itself first, each once (a structure that comes back to a code it has passed ends
// there). False after showing a database error.
bool CollectLinkedParents(const CString& workId, const CString& code, CStringArray& parents);

// Deletes the part `code` linked below `parentCode` in the work. False when nothing was deleted
// (a failed read or statement, shown to the user).
bool DeleteWorkPartRows(const CString& workId, const CString& parentCode, const CString& code);
