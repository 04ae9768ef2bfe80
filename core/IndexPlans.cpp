#include "core/IndexPlans.h"

void PlanReadsByIndex(const _ConnectionPtr& connection, bool on) {
    if (!connection || connection->GetEngine() != vq::db::Engine::PostgreSQL)
        return;
    try {
        connection->Execute(on ? "SET enable_seqscan = off" : "RESET enable_seqscan");
    } catch (_com_error&) {
        // Only slower; see above.
    }
}

CIndexPlanScope::CIndexPlanScope(_ConnectionPtr connection) : m_connection(std::move(connection)) {
    PlanReadsByIndex(m_connection, true);
}

CIndexPlanScope::~CIndexPlanScope() {
    PlanReadsByIndex(m_connection, false);
}
