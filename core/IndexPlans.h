// Reads planned by index on PostgreSQL. Its planner prices the case-blind comparison of the code
// columns like any other, so for a list of codes it often reads the whole table and compares
// every row with a hashed list, several times slower than looking each code up in the index; and
// its statistics lag behind a table that was just filled. The statements that find rows by lists
// of codes tell the session to use the indexes while they run. Other engines are left alone.
#pragma once

#include "platform/db/Ado.h"

// Sets (on) or resets the session's choice; a failure only leaves the reads slower, and a lost
// connection is reported by the statements that follow.
void PlanReadsByIndex(const _ConnectionPtr& connection, bool on);

// Plans by index while it lives.
class CIndexPlanScope {
public:
    explicit CIndexPlanScope(_ConnectionPtr connection);
    ~CIndexPlanScope();
    CIndexPlanScope(const CIndexPlanScope&) = delete;
    CIndexPlanScope& operator=(const CIndexPlanScope&) = delete;

private:
    _ConnectionPtr m_connection;
};
