// _Command: a statement or a stored procedure with input parameters, run on a connection.
//
//   _CommandPtr cmd;
//   cmd.CreateInstance();
//   cmd->PutActiveConnection(conn);
//   cmd->PutCommandText("ShowPartTree");
//   cmd->PutCommandType(adCmdStoredProc);
//   cmd->GetParameters()->Append(cmd->CreateParameter("UpCode", adBSTR, adParamInput, 50, code));
//   _RecordsetPtr rs = cmd->Execute(nullptr, nullptr, adCmdStoredProc);
//
// Parameters bind in order to the '?' marks of a statement, or to the procedure's parameters.
#pragma once

#include "platform/db/Recordset.h"

#include <vector>

class _Parameter {
public:
    CString GetName() const { return m_name; }
    DataTypeEnum GetType() const { return m_type; }
    _variant_t GetValue() const { return m_value; }
    void PutValue(const _variant_t& value) { m_value = value; }

private:
    friend class _Command;
    CString m_name;
    DataTypeEnum m_type = adBSTR;
    long m_size = 0;
    _variant_t m_value;
};
using _ParameterPtr = ComPtr<_Parameter>;

class Parameters {
public:
    void Append(const _ParameterPtr& parameter) { m_items.push_back(parameter); }
    long GetCount() const { return static_cast<long>(m_items.size()); }
    // By position or by name (any letter case).
    _ParameterPtr GetItem(const _variant_t& index) const;
    void Delete(const _variant_t& index);

private:
    std::vector<_ParameterPtr> m_items;
};
using ParametersPtr = Parameters*;

class _Command {
public:
    void PutActiveConnection(const _ConnectionPtr& connection) { m_connection = connection; }
    _ConnectionPtr GetActiveConnection() const { return m_connection; }
    void PutCommandText(const CString& text) { m_text = text; }
    CString GetCommandText() const { return m_text; }
    void PutCommandType(long type) { m_type = type; }
    long GetCommandType() const { return m_type; }
    void PutCommandTimeout(long seconds) { m_timeout = seconds; }
    long GetCommandTimeout() const { return m_timeout; }

    _ParameterPtr CreateParameter(const CString& name, long type, long direction, long size,
                                  const _variant_t& value = vtMissing);
    ParametersPtr GetParameters() { return &m_parameters; }

    // Runs the command. options other than adCmdUnknown/adExecuteNoRecords override the
    // command type. Returns the rows (an open static recordset) or an empty, closed recordset.
    _RecordsetPtr Execute(long* recordsAffected = nullptr, const _variant_t* parameters = nullptr,
                          long options = adCmdUnknown);

    // The parameter values in order, for the recordset that opens on this command.
    std::vector<_variant_t> ParameterValues() const;
    long EffectiveType(long options) const;

private:
    _ConnectionPtr m_connection;
    CString m_text;
    long m_type = adCmdUnknown;
    long m_timeout = 30;
    Parameters m_parameters;
};
