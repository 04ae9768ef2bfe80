// The numbering of work tasks, the one rule of the system for a new WorkID: the parent's id, "#"
// and the smallest positive serial number not yet used below that parent, with at least three
// digits (T0012#001, T0012#002#001). Every place that creates TeamWorkManage rows numbers them
// here, so that all of them agree.
//
//   CString id = MakeNewWorkID(theApp.m_pConnPDM, upWorkId, theApp.m_nAdoCloseMode);
//   if (id.IsEmpty()) ...   // the database error has been shown
//
// TeamWorkManage.WorkID is a unique key: when two clients number under one parent at the same
// time, the second INSERT fails; IsWorkIDStored tells that failure apart from others so that the
// caller can number again and retry.
#pragma once

#include "platform/base/String.h"
#include "platform/db/Ado.h"

// The number as "%d", left-padded with "0" to three characters; longer numbers keep all digits.
CString FormatSerialNo3(int number);

// The new id below upWorkId, read on the connection (forward-only, read-only; the recordset is
// closed first when closeMode is non-zero). Ids of deeper work tasks count as the number of their
// first-level ancestor; a suffix without leading digits counts as 0. Empty after a database error
// (shown through ReportComError).
CString MakeNewWorkID(const _ConnectionPtr& connection, const CString& upWorkId, int closeMode);

// True when a TeamWorkManage row with this id exists; false also when the read fails.
bool IsWorkIDStored(const _ConnectionPtr& connection, const CString& workId, int closeMode);
