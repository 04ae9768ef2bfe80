#include "platform/db/Command.h"

#include "platform/db/PreparedStatement.h"

_ParameterPtr Parameters::GetItem(const _variant_t& index) const {
    if (index.vt == VT_BSTR) {
        for (const _ParameterPtr& p : m_items)
            if (p->GetName().CompareNoCase(index.ToString()) == 0)
                return p;
    } else if (index.vt == VT_I4 || index.vt == VT_I8) {
        long long i = index.ToInt64();
        if (i >= 0 && i < static_cast<long long>(m_items.size()))
            return m_items[static_cast<std::size_t>(i)];
    }
    throw _com_error(
        adErrItemNotFound,
        "Item cannot be found in the collection corresponding to the requested name or ordinal.");
}

void Parameters::Delete(const _variant_t& index) {
    _ParameterPtr p = GetItem(index);
    for (auto it = m_items.begin(); it != m_items.end(); ++it)
        if (*it == p) {
            m_items.erase(it);
            return;
        }
}

_ParameterPtr _Command::CreateParameter(const CString& name, long type, long direction, long size,
                                        const _variant_t& value) {
    if (direction != adParamInput && direction != adParamUnknown)
        throw _com_error(adErrFeatureNotAvailable, "Only input parameters are supported.");
    _ParameterPtr p;
    p.CreateInstance();
    p->m_name = name;
    p->m_type = static_cast<DataTypeEnum>(type);
    p->m_size = size;
    p->m_value = value.vt == VT_ERROR ? _variant_t::Null() : value;
    return p;
}

std::vector<_variant_t> _Command::ParameterValues() const {
    std::vector<_variant_t> values;
    for (long i = 0; i < m_parameters.GetCount(); ++i)
        values.push_back(m_parameters.GetItem(_variant_t(i))->GetValue());
    return values;
}

long _Command::EffectiveType(long options) const {
    long type =
        options == adOptionUnspecified ? adCmdUnknown : (options & ~static_cast<long>(adExecuteNoRecords));
    if (type == adCmdText || type == adCmdStoredProc || type == adCmdTable)
        return type;
    return m_type == adCmdUnspecified ? adCmdUnknown : m_type;
}

namespace {
void CheckConnection(const _ConnectionPtr& connection) {
    if (!connection || connection->GetState() != adStateOpen)
        throw _com_error(adErrNoConnection,
                         "The connection cannot be used to perform this operation. It is either "
                         "closed or invalid in this context.");
}
} // namespace

vq::db::PreparedStatement* _Command::Statement() {
    const bool current = m_statementConnection == m_connection.GetInterfacePtr() && m_statementText == m_text;
    if (current && (m_statementUnprepared || (m_statement && m_statement->IsOpen())))
        return m_statement.get();
    m_statement.reset();
    m_statementConnection = m_connection.GetInterfacePtr();
    m_statementText = m_text;
    m_statement = m_connection->Prepare(m_text);
    m_statementUnprepared = !m_statement;
    return m_statement.get();
}

long _Command::ExecuteArray(const std::vector<std::vector<_variant_t>>& sets) {
    CheckConnection(m_connection);
    if (sets.empty())
        return 0;
    if (vq::db::PreparedStatement* statement = Statement())
        return m_connection->RunPreparedArray(*statement, sets);
    long total = 0;
    for (const auto& set : sets) {
        long affected = m_connection->Run(m_text, adCmdText, set).rowsAffected;
        total = total < 0 || affected < 0 ? -1 : total + affected;
    }
    return total;
}

_RecordsetPtr _Command::Execute(long* recordsAffected, const _variant_t*, long options) {
    CheckConnection(m_connection);
    const long type = EffectiveType(options);
    vq::db::PreparedStatement* statement = nullptr;
    if (m_prepared && (type == adCmdText || type == adCmdUnknown) &&
        !vq::db::IsSingleIdentifier(m_text.str()))
        statement = Statement();
    vq::db::ResultData data = statement ? m_connection->RunPrepared(*statement, ParameterValues())
                                        : m_connection->Run(m_text, type, ParameterValues());
    if (recordsAffected)
        *recordsAffected = data.rowsAffected;
    _RecordsetPtr rs;
    rs.CreateInstance();
    if (data.hasResultSet)
        rs->Attach(m_connection, std::move(data), adOpenStatic);
    return rs;
}
