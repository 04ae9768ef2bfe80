// Deleting one work task (a row of TeamWorkManage) with everything that hangs on it: requests,
// outside resources, the review records and contents of its work documents, its product
// structure and its parts. The work-group work management tree and the work list of a project
// task both delete through it.
#pragma once

#include "platform/base/String.h"

// Refuses a work task that is no work of the project task taskNo (as stored: a work number read
// from a row stored with a blank at its end, or cut at a NUL, reads as another work's, perhaps of
// another task), that still has sub-work tasks, that is under review or finished (workState as
// the command found it) or that has work documents, asks once, then deletes.
// withStructure also deletes the product structure of the work documents (VqkorvelTeam_*).
// After the answer the checks are made again on the stored rows (the stored state included),
// under the work's lock, in the transaction that deletes: what another client changed while the
// question was open refuses with the check's own message. The rows go in that one transaction,
// the work row last (by its stored identity, as re-read), so that a failure leaves the work task
// whole; a sub-work task or document that a program taking none of our locks stored after the
// checks is seen by a last guard in that transaction, which rolls everything back; document contents on the
// FTP server (storage modes 1 and 2) are removed after the rows, and any that stay there are reported. Writes
// the work log row with logPrompt (a failing log row is reported as such). True when the deletion ran to its
// end.
bool DeleteWorkCascade(const CString& workId, const CString& taskNo, const CString& workState,
                       bool withStructure, const CString& logPrompt);
