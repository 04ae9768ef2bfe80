// Reads planned by index: PostgreSQL's session setting holds while the scope lives and is reset
// after it, also when the scope ends by an exception; other engines are left alone.
#include "core/IndexPlans.h"
#include "tests/support/DbWorkspace.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

CString SeqScan(const _ConnectionPtr& conn) {
    _RecordsetPtr rs = conn->Execute("SHOW enable_seqscan");
    return rs->IsEOF() ? CString() : CString(rs->GetCollect(0L).ToString());
}

} // namespace

TEST(IndexPlansTest, TheScopeSetsThePlannerChoiceAndResetsItOnEveryWayOut) {
    vqtest::DbWorkspace ws(0);
    _ConnectionPtr conn = ws.Connect();
    if (!vqtest::DbWorkspace::OnPostgreSQL()) {
        // Nothing is sent: the scope neither fails nor leaves anything behind.
        { const CIndexPlanScope scope(conn); }
        EXPECT_EQ(ws.QueryText("SELECT 1"), "1");
        return;
    }
    EXPECT_EQ(SeqScan(conn), "on");
    {
        const CIndexPlanScope scope(conn);
        EXPECT_EQ(SeqScan(conn), "off");
    }
    EXPECT_EQ(SeqScan(conn), "on");
    try {
        const CIndexPlanScope scope(conn);
        throw std::runtime_error("read failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(SeqScan(conn), "on");
    // A closed connection: nothing thrown either way.
    conn->Close();
    EXPECT_NO_THROW({ const CIndexPlanScope scope(conn); });
}
