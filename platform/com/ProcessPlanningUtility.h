// The process-planning side's utility object: told that a design document went into review, so
// that the process-planning database can mark its own copy. Linux has no such automation server;
// the process-planning program (or a test) registers one as the outside object
// kProcessPlanningUtility (platform/com/OutsideObjects.h). Without one nothing is told.
#pragma once

#include "platform/base/String.h"
#include "platform/com/OutsideObjects.h"
#include "platform/db/Ado.h"

namespace vq {

constexpr const char* kProcessPlanningUtility = "DurAdozAdad.IUtility";

class ProcessPlanningUtility : public OutsideObject {
public:
    virtual short SetPdmConnection(_ConnectionPtr connection) = 0;
    virtual short SetCappConnection(_ConnectionPtr connection) = 0;
    // The process-planning file's id and the state it takes (3: under review, 5: released).
    virtual short SetFileState(const CString& cappFileId, short state) = 0;
    // Hands the process-planning side the current content of a design document (a local file)
    // before a decision on it is stored; 0 when it could not take it.
    virtual short UpdateFileContent(const CString& cappFileId, const CString& localPath) = 0;
};

} // namespace vq
