// CWorkDocAuditInfo: two facts about a work document, read on the caller's stack: the review
// settings stored with the document (review type, template, auditors), and whether the current
// login account belongs to the group that may assign review flows.
#pragma once

#include "platform/base/Collections.h"
#include "platform/base/String.h"
#include "platform/db/Ado.h"

class CWorkDocAuditInfo {
public:
    CWorkDocAuditInfo();
    virtual ~CWorkDocAuditInfo();
    CWorkDocAuditInfo(const CWorkDocAuditInfo&) = delete;
    CWorkDocAuditInfo& operator=(const CWorkDocAuditInfo&) = delete;

    // Reads AuditingModel, AuditorName and AuditingType of the document; 1 when its row was
    // found, else 0 (the members then keep their values).
    int ReadDocAuditInfo(CString fileId);
    // 1 when the login account belongs to the group of the setting "工作任务评审流程指派组".
    int CanAssignAuditFlow();

    // The group names of a UserInformation.GroupName text, split at "),(". An empty name
    // between two separators is skipped; the names after it still count.
    static void SplitGroupNames(const CString& groupText, CStringArray& names);

    CString AuditingType;
    CString AuditingModel;
    CString AuditorName;
    _ConnectionPtr Connection;
    int CloseMode = 0;
    CString FileID;
    int AssignedBySuperior = 0;
    CString AssignGroup;
};
