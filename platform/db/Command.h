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
//
// A statement run many times is prepared once and run with bound values (never formatted into
// the text), singly or as a batch of value sets in one call:
//
//   _CommandPtr insert;
//   insert.CreateInstance();
//   insert->PutActiveConnection(conn);
//   insert->PutCommandText("INSERT INTO VqkorvelAll_detail (UpCode, Dcode, Dname) VALUES (?, ?, ?)");
//   insert->PutPrepared(true);
//   std::vector<std::vector<_variant_t>> rows = {{"P1", "A1", "甲"}, {"P1", "A2", _variant_t::Null()}};
//   insert->ExecuteArray(rows);          // parameter arrays where the driver has them
//
// Both dialects are translated for the engine before the text is prepared.
#pragma once

#include "platform/db/Recordset.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vq::db {
class PreparedStatement;
}

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

    // A prepared command is prepared on its first run and runs again with the values of its
    // parameters (a text command; procedures and tables run as before).
    void PutPrepared(bool prepared) { m_prepared = prepared; }
    bool GetPrepared() const { return m_prepared; }

    // Runs the command text once for each set of values (one value per '?' mark), prepared
    // once, with parameter arrays where the driver has them. On SQLite and PostgreSQL an
    // "INSERT ... VALUES (...)" runs as inserts of many rows per statement instead, and a
    // "DELETE FROM t WHERE a=? AND b=?" as one statement for the keys of all sets (their drivers
    // run an array set by set: the SQLite driver compiles the statement for each set, psqlODBC
    // plans each and waits for the server after each): on a server one round trip per batch.
    // Returns the rows affected in all (-1 when the driver does not say). A failing set throws;
    // the sets before it may have run, so run a batch inside a transaction (or a savepoint) to
    // keep it whole.
    long ExecuteArray(const std::vector<std::vector<_variant_t>>& sets);

    // The parameter values in order, for the recordset that opens on this command.
    std::vector<_variant_t> ParameterValues() const;
    long EffectiveType(long options) const;

    // A batch insert sent as one JSON value of rows: the parts of its text and the field of each mark.
    struct JsonInsert {
        std::string table, columns;
        std::vector<std::string> elements; // each column's value: empty for a mark
        std::vector<std::string> keys;     // the field of each mark, in order
    };

private:
    _ConnectionPtr m_connection;
    CString m_text;
    long m_type = adCmdUnknown;
    long m_timeout = 30;
    Parameters m_parameters;

    // The statement as prepared, for the connection and the text it was prepared from.
    vq::db::PreparedStatement* Statement();
    bool m_prepared = false;
    std::shared_ptr<vq::db::PreparedStatement> m_statement;
    const _Connection* m_statementConnection = nullptr;
    CString m_statementText;
    bool m_statementUnprepared = false; // the translation needs steps: run it each time

    // Inserts of several rows per statement, by their row count.
    long ExecuteRows(const vq::db::SingleRowInsert& insert, const std::vector<std::vector<_variant_t>>& sets);
    std::optional<vq::db::SingleRowInsert> m_insert;
    std::optional<JsonInsert> m_pgJsonInsert; // PostgreSQL: the rows as JSON objects
    std::map<std::size_t, std::shared_ptr<vq::db::PreparedStatement>> m_rowStatements;
    // The JSON inserts, by the marks whose values are sent once for all rows.
    vq::db::PreparedStatement* JsonStatement(const std::vector<bool>& bound,
                                             const std::function<std::string()>& text);
    std::map<std::vector<bool>, std::shared_ptr<vq::db::PreparedStatement>> m_jsonStatements;
    // Deletes by the key values of several sets in one statement (SQLite, PostgreSQL).
    std::optional<long> ExecuteKeyDelete(const vq::db::KeyDelete& keys,
                                         const std::vector<std::vector<_variant_t>>& sets);
    std::optional<long> ExecutePgKeyDelete(const vq::db::KeyDelete& keys,
                                           const std::vector<std::string>& names,
                                           const std::vector<std::vector<_variant_t>>& sets);
    std::optional<std::vector<std::string>> PgKeyTypes(const vq::db::KeyDelete& keys,
                                                       const std::vector<std::string>& names);
    std::optional<vq::db::KeyDelete> m_keyDelete;
    std::shared_ptr<vq::db::PreparedStatement> m_keyDeleteStatement;
    std::string m_keyDeleteText;
};
