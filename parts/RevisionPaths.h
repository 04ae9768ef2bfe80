// The revision register of a drawing number or a project task: each revision with the path of
// revisions it descends from, as the revision trees and pickers build their trees from it.
#pragma once

#include "platform/base/Collections.h"
#include "platform/base/String.h"
#include "platform/db/Ado.h"

// Appends the (RevPath, RevNumber) rows of the statement to the two arrays, in the statement's
// order. A database error is shown; the rows read before it are kept.
void ReadRevisionPaths(const _ConnectionPtr& connection, int adoCloseMode, const CString& sql,
                       CStringArray& paths, CStringArray& numbers);

// The statement that reads the revisions of a drawing number, ordered by path then number.
CString PartRevisionPathsSql(const CString& partCode);
